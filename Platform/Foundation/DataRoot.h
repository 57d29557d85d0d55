// The one folder under which the system keeps every file it writes, and the
// platform folders inside it. The root is $FACILITY_HOME, else
// $XDG_DATA_HOME/facility, else ~/.local/share/facility (resolved on first
// use). Tests point it at a temporary folder with TemporaryDataRoot.
//
//   <root>/Library/Preferences/<suite>.plist   user defaults
//   <root>/Library/Application Support/
//   <root>/Library/Keychains/keychain.plist    keychain stand-in
//   <root>/Documents/
//   <root>/tmp/
#pragma once

#include <string>

#include "Platform/Foundation/Status.h"

namespace platform {

class DataRoot {
 public:
  // Absolute path of the root, without a trailing slash.
  static std::string root();
  // Replaces the root for this process ("" goes back to the environment).
  // Meant for tests; shared stores pick the new root up on their next call.
  static void overrideRoot(const std::string& path);
  // The current override, "" when the environment decides.
  static std::string overriddenRoot();

  static std::string libraryDirectory();
  static std::string preferencesDirectory();
  static std::string applicationSupportDirectory();
  static std::string documentsDirectory();
  static std::string temporaryDirectory();
  static std::string keychainDirectory();

  // Creates the root and the platform folders above (idempotent).
  static Status createDirectories();

  // The application identifier: names the standard user-defaults suite.
  // Defaults to kDefaultApplicationIdentifier until the bundle sets it.
  static std::string applicationIdentifier();
  static void setApplicationIdentifier(const std::string& identifier);
  static constexpr const char* kDefaultApplicationIdentifier = "com.facility.Facility";
};

}  // namespace platform
