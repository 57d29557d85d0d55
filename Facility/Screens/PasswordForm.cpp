#include "Facility/Screens/PasswordForm.h"

#include "Facility/Widgets/AlertPresenter.h"
#include "Platform/Foundation/Utf8.h"

bool PasswordForm::isEmpty(const std::optional<std::string>& text) { return !text || platform::Utf8::isBlank(*text); }

std::optional<Validation> PasswordForm::pairFailure(const std::optional<std::string>& password,
                                                    const std::optional<std::string>& confirmation) {
  if (isEmpty(password)) return Validation(Validation::enterPassword);
  // The repeat gets the password's own wording.
  if (isEmpty(confirmation)) return Validation(Validation::enterPassword);
  if (password.value_or("") != confirmation.value_or("")) return Validation(Validation::passwordDonotMatch);
  return std::nullopt;
}

void PasswordForm::showFailure(uikit::ViewController& form, const Validation& failure) {
  AlertPresenter::showAlert(form, AppAlert(AppAlert::Alert).rawValue(), failure.rawValue(),
                            uikit::AlertControllerStyle::kAlert, {AAction::Ok});
}

PasswordForm::Fields PasswordForm::addPasswordFields(uikit::View& view, const std::string& submitId) {
  Fields fields;
  fields.password = uikit::View::make<GenericTextField>(uikit::Rect(20, 220, 335, 44));
  fields.password->setAccessibilityIdentifier("txtPassword");
  fields.password->setPlaceholder("New Password");
  fields.password->isSecureTextEntry = true;
  fields.confirmation = uikit::View::make<GenericTextField>(uikit::Rect(20, 280, 335, 44));
  fields.confirmation->setAccessibilityIdentifier("txtConfirmPassword");
  fields.confirmation->setPlaceholder("Confirm Password");
  fields.confirmation->isSecureTextEntry = true;
  fields.submit = uikit::View::make<GenericButton>(uikit::Rect(20, 360, 335, 44));
  fields.submit->setTag(-1);
  fields.submit->setTitle("Submit");
  fields.submit->setAccessibilityIdentifier(submitId);
  view.addSubview(fields.password);
  view.addSubview(fields.confirmation);
  view.addSubview(fields.submit);
  return fields;
}
