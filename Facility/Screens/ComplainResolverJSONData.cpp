#include "Facility/Screens/ComplainResolverJSONData.h"

#include <nlohmann/json.hpp>

#include "Facility/Models/WireRecord.h"
#include "Platform/Foundation/Calendar.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/DateFormatter.h"
#include "Platform/Foundation/JsonText.h"
#include "Platform/Foundation/Locale.h"
#include "Platform/Foundation/Log.h"

namespace {

using Json = nlohmann::ordered_json;

Json option(const std::string& name, std::int64_t id) {
  return Json{{"name", name}, {"id", id}, {"isSelected", 0}};
}

Json group(const std::string& name, std::int64_t id, int isSelected, Json options) {
  return Json{{"name", name}, {"id", id}, {"isSelected", isSelected}, {"subPlaces", std::move(options)}};
}

Json placeOptions() {
  return Json::array({option("Parking", 1), option("Auditorium", 2), option("Building", 3)});
}

}  // namespace

ComplainResolverJSONData& ComplainResolverJSONData::shared() {
  static ComplainResolverJSONData instance;
  return instance;
}

ComplainResolverJSONData::MonthList ComplainResolverJSONData::getMonthList() {
  const platform::Calendar calendar = platform::Calendar::current();
  const platform::Date now{platform::Clock::nowSeconds()};
  const int year = calendar.component(platform::Calendar::Unit::kYear, now);
  platform::DateFormatter display("MMM yyyy");
  display.setTimeZone(calendar.timeZone());
  // The API form is read by the server: ASCII digits whatever the locale.
  platform::DateFormatter api("MM-yyyy");
  api.setTimeZone(calendar.timeZone());
  api.setLocale(platform::Locale("en_US_POSIX"));
  MonthList list;
  for (int y = year - 2; y <= year + 2; ++y) {
    for (int month = 1; month <= 12; ++month) {
      platform::Calendar::DateComponents components;
      components.year = y;
      components.month = month;
      auto date = calendar.dateFromComponents(components);
      if (!date) continue;
      list.names.push_back(display.stringFromDate(*date));
      list.apiForms.push_back(api.stringFromDate(*date));
    }
  }
  return list;
}

std::optional<std::string> ComplainResolverJSONData::createFilterJSON(ComplainerType type) const {
  const MonthList months = getMonthList();
  Json monthOptions = Json::array();
  for (std::size_t k = 0; k < months.names.size() && k < months.apiForms.size(); ++k) {
    Json entry = option(months.names[k], static_cast<std::int64_t>(k + 1));
    entry["monthInAPIFormate"] = months.apiForms[k];
    monthOptions.push_back(std::move(entry));
  }
  Json groups = Json::array();
  groups.push_back(group("Months", 1, 1, std::move(monthOptions)));
  if (type == ComplainerType::raiser) {
    groups.push_back(group("Status", 2, 0, Json::array({option("Open", 1), option("Close", 2)})));
    groups.push_back(group("Complain For", 3, 0, placeOptions()));
  } else {
    groups.push_back(group("Complain For", 2, 0, placeOptions()));
  }
  Json document{{"responseData", Json{{"places", std::move(groups)}}}};
  return platform::JsonText::dump(document, 2);
}

std::optional<FilterData> ComplainResolverJSONData::getFilterData(ComplainerType type) const {
  auto json = createFilterJSON(type);
  if (!json) return std::nullopt;
  auto decoded = wire::decode<MDLFilterList>(*json);
  if (!decoded.ok()) {
    platform::LogError(decoded.status().message());
    return std::nullopt;
  }
  return decoded.value().responseData;
}
