#include "Facility/Screens/FilterTicks.h"

namespace {

template <class Contribution>
std::string joinTicked(const Places& group, Contribution contribution) {
  std::string text;
  if (!group.subPlaces) return text;
  bool first = true;
  for (const auto& option : *group.subPlaces) {
    if (!option.isSelected || *option.isSelected != 1) continue;
    if (!first) text += ",";
    first = false;
    text += contribution(option);
  }
  return text;
}

}  // namespace

std::string FilterTicks::months(const Places& group) {
  return joinTicked(group, [](const SubPlaces& option) { return option.monthInAPIFormate.value_or(""); });
}

std::string FilterTicks::ids(const Places& group) {
  return joinTicked(group, [](const SubPlaces& option) { return std::to_string(option.id.value_or(0)); });
}
