// Whose complaint filter is built: the staff who resolve complaints or the
// tenant who raises them.
#pragma once

enum class ComplainerType { resolver, raiser };
