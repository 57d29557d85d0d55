#include "Facility/Network/APIMimeTypes.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<APIMimeTypes, std::string_view>, 16> kRaw{{
    {APIMimeTypes::jpeg, "jpeg"}, {APIMimeTypes::jpg, "jpg"}, {APIMimeTypes::png, "png"},
    {APIMimeTypes::gif, "gif"},   {APIMimeTypes::svg, "svg"}, {APIMimeTypes::tiff, "tiff"},
    {APIMimeTypes::txt, "txt"},   {APIMimeTypes::pdf, "pdf"}, {APIMimeTypes::m4a, "m4a"},
    {APIMimeTypes::mp4, "mp4"},   {APIMimeTypes::_3gp, "3gp"}, {APIMimeTypes::avi, "avi"},
    {APIMimeTypes::mov, "mov"},   {APIMimeTypes::mpg, "mpg"}, {APIMimeTypes::rar, "rar"},
    {APIMimeTypes::jar, "jar"},
}};

}  // namespace

namespace APIMimeTypesRaw {

std::string_view rawValue(APIMimeTypes type) {
  for (const auto& [t, raw] : kRaw) {
    if (t == type) return raw;
  }
  return {};
}

std::optional<APIMimeTypes> fromRawValue(std::string_view raw) {
  for (const auto& [t, r] : kRaw) {
    if (r == raw) return t;
  }
  return std::nullopt;
}

}  // namespace APIMimeTypesRaw
