// A folder of the application's read-only resources with its Info.plist.
// The main bundle lives in <data root>/Bundle unless setMainBundlePath points
// it elsewhere:
//
//   <bundle>/Info.plist         information dictionary (XML or binary)
//   <bundle>/<name>.<type>      resources
//
// A missing or unreadable Info.plist gives an empty dictionary (the second
// case is logged). Tests can inject the dictionary instead of writing a file.
// All members are safe to call from any thread.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Value.h"

namespace platform {

class Bundle {
 public:
  explicit Bundle(std::string path);

  static Bundle& main();
  // Nothing goes back to <data root>/Bundle (following later root changes).
  static void setMainBundlePath(std::optional<std::string> path);

  std::string bundlePath() const;

  // Read once per bundle path, then kept.
  Value::Dictionary infoDictionary() const;
  std::optional<Value> objectForInfoDictionaryKey(std::string_view key) const;

  // Text values of "CFBundleIdentifier", "CFBundleShortVersionString" and
  // "CFBundleVersion"; nothing when absent or not text.
  std::optional<std::string> bundleIdentifier() const;
  std::optional<std::string> shortVersionString() const;
  std::optional<std::string> bundleVersion() const;

  // Path of <name>.<type> (just <name> for an empty type) when that file or
  // folder exists in the bundle; names that climb out with ".." find nothing.
  std::optional<std::string> pathForResource(std::string_view name, std::string_view type) const;

  // Tests: use info instead of Info.plist; nothing reads the file again.
  void setInfoDictionaryOverride(std::optional<Value::Dictionary> info);

 private:
  struct MainTag {};
  explicit Bundle(MainTag);
  std::string pathLocked() const;
  const Value::Dictionary& infoLocked() const;
  std::optional<std::string> textForKey(std::string_view key) const;

  mutable std::mutex mu_;
  const bool isMain_;
  std::optional<std::string> path_;
  std::optional<Value::Dictionary> override_;
  mutable std::optional<std::string> cachedPath_;
  mutable Value::Dictionary cachedInfo_;
};

}  // namespace platform
