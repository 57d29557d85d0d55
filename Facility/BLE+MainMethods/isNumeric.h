#pragma once
#include <string_view>

// True when every character is one of "0123456789"; the empty text passes.
bool isNumeric(std::string_view text);
