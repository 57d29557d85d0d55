#include "Platform/Foundation/TemporaryDataRoot.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "Platform/Foundation/DataRoot.h"
#include "Platform/Foundation/Log.h"

namespace platform {

TemporaryDataRoot::TemporaryDataRoot() {
  std::error_code ec;
  std::string base = std::filesystem::temp_directory_path(ec).string();
  if (ec || base.empty()) base = "/tmp";
  std::string tmpl = base + "/facility-root-XXXXXX";
  if (char* made = ::mkdtemp(tmpl.data())) {
    path_ = made;
  } else {
    LogError("cannot create a temporary data root under " + base);
    return;
  }
  // Remember an explicit override so nested roots restore it; an empty
  // string puts the environment's root back.
  previous_ = DataRoot::overriddenRoot();
  DataRoot::overrideRoot(path_);
}

TemporaryDataRoot::~TemporaryDataRoot() {
  if (path_.empty()) return;
  DataRoot::overrideRoot(previous_);
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace platform
