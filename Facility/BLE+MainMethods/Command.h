#pragma once

// What the engine has to write once connected; absent means idle.
enum class Command { punch };
