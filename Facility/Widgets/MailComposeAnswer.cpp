#include "Facility/Widgets/MailComposeAnswer.h"

void MailComposeAnswer::mailComposeControllerDidFinishWithResultError(
    const std::shared_ptr<uikit::ViewController>& controller, MailComposeResult result,
    const std::optional<platform::Status>& error) {
  (void)result;
  (void)error;
  if (controller) controller->dismiss(true);
}
