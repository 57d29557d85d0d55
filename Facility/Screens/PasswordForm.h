// What the two password forms share: the checks on the new password and its
// repeat, the "Alert" a failed check shows, and how a reply ends.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Facility/Network/APIManager.h"
#include "Facility/Network/DataResponse.h"
#include "Facility/Screens/SuccessRootRebuild.h"
#include "Facility/Widgets/AAction.h"
#include "Facility/Widgets/AppAlert.h"
#include "Facility/Widgets/GenericButton.h"
#include "Facility/Widgets/GenericTextField.h"
#include "Facility/Widgets/Validation.h"
#include "Platform/UIKit/View.h"
#include "Platform/UIKit/ViewController.h"

class PasswordForm {
 public:
  // Absent, or nothing left after trimming white space and line breaks.
  static bool isEmpty(const std::optional<std::string>& text);
  // In form order: each filled in, then equal exactly as typed. None when
  // the pair is fine.
  static std::optional<Validation> pairFailure(const std::optional<std::string>& password,
                                               const std::optional<std::string>& confirmation);
  // The scene's new password, its repeat and the submit button, added to
  // the form's view in that order below the form's first field.
  struct Fields {
    std::shared_ptr<GenericTextField> password;
    std::shared_ptr<GenericTextField> confirmation;
    std::shared_ptr<GenericButton> submit;
  };
  static Fields addPasswordFields(uikit::View& view, const std::string& submitId);

  // "Alert" with the check's text and one Ok button on the form.
  static void showFailure(uikit::ViewController& form, const Validation& failure);

  // A reply to a reset or set-password request: failures say "Sorry" on the
  // form (on the top screen once it is gone); success runs beforeSuccess,
  // then the tick, the new root and the server's message (or "Success").
  template <class R>
  static void finish(const std::weak_ptr<uikit::ViewController>& form, const DataResponse<R>& response,
                     const std::function<void()>& beforeSuccess = nullptr) {
    if (!response.value) {
      showResponseErrorAlert(form.lock(), std::nullopt, {AAction::Ok}, nullptr, response);
      return;
    }
    const auto& reply = *response.value;
    if (!reply.IsSuccess.value_or(false)) {
      showResponseErrorAlert(form.lock(), reply.Message, {AAction::Ok}, nullptr, response);
      return;
    }
    if (beforeSuccess) beforeSuccess();
    SuccessRootRebuild::show(reply.Message.value_or(AppAlert(AppAlert::Success).rawValue()));
  }
};
