#include "Facility/Widgets/AlertPresenter.h"

#include <memory>

void AlertPresenter::showAlert(uikit::ViewController& on, std::optional<std::string> title,
                               std::optional<std::string> message, uikit::AlertControllerStyle preferredStyle,
                               std::vector<AAction> actions, Handler handler) {
  if (actions.empty()) actions = {AAction::Okay};
  auto alert = uikit::AlertController::make(std::move(title), std::move(message), preferredStyle);
  // The tap handlers find their kind by the position of the tapped action.
  struct Shared {
    std::vector<AAction> kinds;
    std::vector<uikit::AlertAction*> created;
    Handler handler;
  };
  auto shared = std::make_shared<Shared>(Shared{actions, {}, std::move(handler)});
  std::vector<uikit::AlertActionPtr> created;
  for (const auto& kind : actions) {
    auto action = uikit::AlertAction::make(kind.title(), kind.style(), [shared](uikit::AlertAction& tapped) {
      for (std::size_t i = 0; i < shared->created.size(); ++i) {
        if (shared->created[i] == &tapped) {
          if (shared->handler) shared->handler(shared->kinds[i]);
          return;
        }
      }
    });
    shared->created.push_back(action.get());
    created.push_back(action);
  }
  for (const auto& action : created) alert->addAction(action);
  on.present(alert, true);
}
