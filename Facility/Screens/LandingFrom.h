// How the raised complaint list was entered; decides where back goes.
#pragma once

enum class LandingFrom { none, addNewComplain, dashboard };
