// What every screen answers when the mail composer it opened is done.
#pragma once

#include <memory>
#include <optional>

#include "Platform/Foundation/Status.h"
#include "Platform/UIKit/ViewController.h"

enum class MailComposeResult { cancelled, saved, sent, failed };

class MailComposeAnswer {
 public:
  // Whatever the outcome, the composer closes itself, animated; nothing
  // else runs afterwards.
  static void mailComposeControllerDidFinishWithResultError(const std::shared_ptr<uikit::ViewController>& controller,
                                                           MailComposeResult result,
                                                           const std::optional<platform::Status>& error);
};
