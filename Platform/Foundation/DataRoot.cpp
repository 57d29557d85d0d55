#include "Platform/Foundation/DataRoot.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "Platform/Foundation/FileManager.h"

namespace platform {
namespace {

std::mutex g_dataRootMu;
std::string g_override;
std::string g_resolved;
std::string g_applicationIdentifier = DataRoot::kDefaultApplicationIdentifier;

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
  std::lock_guard<std::mutex> lock(g_dataRootMu);
  if (!g_override.empty()) return g_override;
  if (g_resolved.empty()) g_resolved = Resolve();
  return g_resolved;
}

void DataRoot::overrideRoot(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_dataRootMu);
  g_override = path.empty() ? std::string() : StripTrailingSlashes(path);
  g_resolved.clear();
}

std::string DataRoot::overriddenRoot() {
  std::lock_guard<std::mutex> lock(g_dataRootMu);
  return g_override;
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
  std::lock_guard<std::mutex> lock(g_dataRootMu);
  return g_applicationIdentifier;
}

void DataRoot::setApplicationIdentifier(const std::string& identifier) {
  std::lock_guard<std::mutex> lock(g_dataRootMu);
  g_applicationIdentifier = identifier.empty() ? kDefaultApplicationIdentifier : identifier;
}

}  // namespace platform
