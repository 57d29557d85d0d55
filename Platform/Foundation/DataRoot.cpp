#include "Platform/Foundation/DataRoot.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "Platform/Foundation/FileManager.h"

namespace platform {
namespace {

// Never destroyed: threads still finishing work while the process ends may
// ask for the root.
struct DataRootState {
  std::mutex mu;
  std::string override;
  std::string resolved;
  std::string applicationIdentifier = DataRoot::kDefaultApplicationIdentifier;
};

DataRootState& SharedDataRootState() {
  static DataRootState* state = new DataRootState();
  return *state;
}

std::string StripTrailingSlashes(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

std::string Resolve() {
  const char* facilityHome = std::getenv("FACILITY_HOME");
  if (facilityHome && *facilityHome) return StripTrailingSlashes(facilityHome);
  const char* xdg = std::getenv("XDG_DATA_HOME");
  // A relative XDG_DATA_HOME is invalid by that convention and is ignored.
  if (xdg && *xdg == '/') return StripTrailingSlashes(xdg) + "/facility";
  return StripTrailingSlashes(HomeDirectory()) + "/.local/share/facility";
}

}  // namespace

std::string DataRoot::root() {
  DataRootState& state = SharedDataRootState();
  std::lock_guard<std::mutex> lock(state.mu);
  if (!state.override.empty()) return state.override;
  if (state.resolved.empty()) state.resolved = Resolve();
  return state.resolved;
}

void DataRoot::overrideRoot(const std::string& path) {
  DataRootState& state = SharedDataRootState();
  std::lock_guard<std::mutex> lock(state.mu);
  state.override = path.empty() ? std::string() : StripTrailingSlashes(path);
  state.resolved.clear();
}

std::string DataRoot::overriddenRoot() {
  DataRootState& state = SharedDataRootState();
  std::lock_guard<std::mutex> lock(state.mu);
  return state.override;
}

std::string DataRoot::libraryDirectory() { return root() + "/Library"; }
std::string DataRoot::preferencesDirectory() { return root() + "/Library/Preferences"; }
std::string DataRoot::applicationSupportDirectory() { return root() + "/Library/Application Support"; }
std::string DataRoot::documentsDirectory() { return root() + "/Documents"; }
std::string DataRoot::temporaryDirectory() { return root() + "/tmp"; }
std::string DataRoot::keychainDirectory() { return root() + "/Library/Keychains"; }

Status DataRoot::createDirectories() {
  auto& fm = FileManager::defaultManager();
  for (const std::string& dir : {preferencesDirectory(), applicationSupportDirectory(),
                                 documentsDirectory(), temporaryDirectory()}) {
    Status s = fm.createDirectoryAtPath(dir, true);
    if (!s.ok()) return s;
  }
  return Status::OK();
}

std::string DataRoot::applicationIdentifier() {
  DataRootState& state = SharedDataRootState();
  std::lock_guard<std::mutex> lock(state.mu);
  return state.applicationIdentifier;
}

void DataRoot::setApplicationIdentifier(const std::string& identifier) {
  DataRootState& state = SharedDataRootState();
  std::lock_guard<std::mutex> lock(state.mu);
  state.applicationIdentifier = identifier.empty() ? kDefaultApplicationIdentifier : identifier;
}

}  // namespace platform
