#include "PhotoPicker/PreviewTitleBuilder.h"

#include "Platform/Foundation/DateFormatter.h"

namespace photopicker {

namespace {

std::string formatted(double date, platform::DateFormatter::Style dateStyle, platform::DateFormatter::Style timeStyle) {
  platform::DateFormatter formatter;
  formatter.setDateStyle(dateStyle);
  formatter.setTimeStyle(timeStyle);
  return formatter.stringFromDate(platform::Date{date});
}

// The subtitle under the title. Appended to the line break rather than the
// break put in front: GCC 12 misreads that insert as an overlapping copy.
std::string secondLine(double date, platform::DateFormatter::Style dateStyle, platform::DateFormatter::Style timeStyle) {
  std::string line = "\n";
  line.append(formatted(date, dateStyle, timeStyle));
  return line;
}

}  // namespace

void PreviewTitleBuilder::locationTitle(const std::optional<std::vector<corelocation::CLPlacemark>>& placemarks,
                                        const std::optional<platform::Status>& error, Settings::Theme& theme,
                                        const photos::AssetPtr& asset,
                                        const std::function<void(const uikit::AttributedString&)>& completion) {
  (void)error;  // any failure falls back to the date
  if (!asset || !completion) return;
  const auto& date = asset->creationDate();
  if (placemarks && !placemarks->empty() && placemarks->front().locality) {
    uikit::AttributedString title(*placemarks->front().locality, theme.previewTitleAttributes());
    if (date) {
      title.append(uikit::AttributedString(
          secondLine(*date, platform::DateFormatter::Style::kLong, platform::DateFormatter::Style::kShort),
          theme.previewSubtitleAttributes()));
    }
    completion(title);
    return;
  }
  if (date) completion(dateTitle(*date, theme));
}

uikit::AttributedString PreviewTitleBuilder::dateTitle(double date, Settings::Theme& theme) {
  uikit::AttributedString title(
      formatted(date, platform::DateFormatter::Style::kLong, platform::DateFormatter::Style::kNone),
      theme.previewTitleAttributes());
  title.append(uikit::AttributedString(
      secondLine(date, platform::DateFormatter::Style::kNone, platform::DateFormatter::Style::kShort),
      theme.previewSubtitleAttributes()));
  return title;
}

}  // namespace photopicker
