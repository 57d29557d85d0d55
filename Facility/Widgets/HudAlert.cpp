#include "Facility/Widgets/HudAlert.h"

#include <memory>

#include "Platform/UIKit/PKHUD.h"
#include "Platform/UIKit/PKHUDSuccessView.h"

void HudAlert::showSuccess(std::function<void(bool)> completion) {
  auto& hud = uikit::PKHUD::sharedHUD();
  hud.contentView = std::make_shared<uikit::PKHUDSuccessView>(std::nullopt, std::nullopt);
  hud.show();
  hud.hideAfterDelay(0.3, [completion = std::move(completion)](bool finished) {
    if (completion) completion(finished);
  });
}
