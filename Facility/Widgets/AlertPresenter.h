// Every alert of the app: title, message and button kinds, presented on the
// given screen; the handler hears which kind was tapped. An empty list shows
// one "Okay" button.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Widgets/AAction.h"
#include "Platform/UIKit/AlertController.h"
#include "Platform/UIKit/ViewController.h"

class AlertPresenter {
 public:
  using Handler = std::function<void(const AAction&)>;
  static void showAlert(uikit::ViewController& on, std::optional<std::string> title,
                        std::optional<std::string> message, uikit::AlertControllerStyle preferredStyle,
                        std::vector<AAction> actions, Handler handler = nullptr);
};
