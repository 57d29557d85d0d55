// A fresh data root in a temporary folder for the lifetime of the object:
// installs itself with DataRoot::overrideRoot, and on destruction restores
// the previous root and deletes the folder. For tests.
#pragma once

#include <string>

namespace platform {

class TemporaryDataRoot {
 public:
  TemporaryDataRoot();
  ~TemporaryDataRoot();
  TemporaryDataRoot(const TemporaryDataRoot&) = delete;
  TemporaryDataRoot& operator=(const TemporaryDataRoot&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

}  // namespace platform
