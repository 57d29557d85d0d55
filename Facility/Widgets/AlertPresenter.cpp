#include "Facility/Widgets/AlertPresenter.h"

#include <memory>

void AlertPresenter::showAlert(uikit::ViewController& on, std::optional<std::string> title,
                               std::optional<std::string> message, uikit::AlertControllerStyle preferredStyle,
                               std::vector<AAction> actions, Handler handler) {
  if (actions.empty()) actions = {AAction::Okay};
  auto alert = uikit::AlertController::make(std::move(title), std::move(message), preferredStyle);
  // One handler for every button; each button brings its own kind.
  auto shared = std::make_shared<Handler>(std::move(handler));
  std::vector<uikit::AlertActionPtr> created;
  for (const auto& kind : actions) {
    created.push_back(uikit::AlertAction::make(kind.title(), kind.style(), [shared, kind](uikit::AlertAction&) {
      if (*shared) (*shared)(kind);
    }));
  }
  for (const auto& action : created) alert->addAction(action);
  on.present(alert, true);
}
