// The vendor installations library: one installation identifier per app
// installation, kept in the preferences, and a notification whenever it changes.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "Platform/Foundation/Status.h"

namespace platform {

inline constexpr const char* QRVInstallationIDDidChangeNotification = "QRVInstallationIDDidChangeNotification";

class QRVInstallations {
 public:
  static QRVInstallations& installations();

  // Runs the block once, on the calling thread, with the ID or an error.
  void installationIDWithCompletion(
      const std::function<void(std::optional<std::string> identifier, std::optional<Status> error)>& completion);
  // Issues a new ID and posts the change notification on the default centre.
  void resetInstallationID();

 private:
  std::optional<std::string> storedOrNewID(std::optional<Status>* error);
};

}  // namespace platform
