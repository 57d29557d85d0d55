// The two-line title of a preview: the place (when geocoding names one) or
// the date on the first line, the date and time or the time on the second.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "PhotoPicker/Settings.h"
#include "Platform/CoreLocation/CLPlacemark.h"
#include "Platform/Foundation/Status.h"
#include "Platform/Photos/Asset.h"
#include "Platform/UIKit/AttributedString.h"

namespace photopicker {

class PreviewTitleBuilder {
 public:
  PreviewTitleBuilder() = delete;

  // From a reverse-geocoding answer: the first placemark's locality, then
  // the long date and short time. Without a locality, the date title; the
  // completion runs at most once (not at all without place and date).
  static void locationTitle(const std::optional<std::vector<corelocation::CLPlacemark>>& placemarks,
                            const std::optional<platform::Status>& error, Settings::Theme& theme,
                            const photos::AssetPtr& asset,
                            const std::function<void(const uikit::AttributedString&)>& completion);
  // The long date, then on a second line the short time. date: seconds
  // since 1970.
  static uikit::AttributedString dateTitle(double date, Settings::Theme& theme);
};

}  // namespace photopicker
