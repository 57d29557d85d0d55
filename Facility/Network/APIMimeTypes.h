// File kinds of uploaded media; the raw value is the extension without a dot.
#pragma once

#include <optional>
#include <string>
#include <string_view>

enum class APIMimeTypes { jpeg, jpg, png, gif, svg, tiff, txt, pdf, m4a, mp4, _3gp, avi, mov, mpg, rar, jar };

namespace APIMimeTypesRaw {
std::string_view rawValue(APIMimeTypes type);
// Exact, case-sensitive match of a raw value.
std::optional<APIMimeTypes> fromRawValue(std::string_view raw);
}  // namespace APIMimeTypesRaw
