// File-system stand-in with the operations the system uses: existence,
// directory creation, move, remove, attributes, contents, atomic writes and
// free space. Paths are plain absolute or relative POSIX paths. Stateless
// and thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Platform/Foundation/Status.h"
#include "Platform/Foundation/Value.h"

namespace platform {

struct FileAttributes {
  enum class Kind { kRegular, kDirectory, kSymbolicLink, kOther };
  Kind kind = Kind::kOther;
  std::uint64_t size = 0;
  double modificationDate = 0;  // seconds since 1970
  unsigned permissions = 0;     // mode bits, e.g. 0600
};

struct FileSystemAttributes {
  std::uint64_t freeSize = 0;   // bytes available to this user
  std::uint64_t totalSize = 0;
};

class FileManager {
 public:
  static FileManager& defaultManager();

  bool fileExistsAtPath(const std::string& path) const;
  bool fileExistsAtPath(const std::string& path, bool* isDirectory) const;

  // Creates the directory; with intermediates, also the missing parents and
  // an existing directory is success. AlreadyExists otherwise.
  Status createDirectoryAtPath(const std::string& path, bool withIntermediateDirectories = true) const;
  // Moves a file or directory. An existing destination is AlreadyExists
  // unless replaceExisting. NotFound when the source is missing.
  Status moveItemAtPath(const std::string& from, const std::string& to,
                        bool replaceExisting = false) const;
  // Removes a file or a whole directory tree. NotFound when missing.
  Status removeItemAtPath(const std::string& path) const;
  Result<FileAttributes> attributesOfItemAtPath(const std::string& path) const;
  Result<FileSystemAttributes> attributesOfFileSystemForPath(const std::string& path) const;
  // Names (not paths) of the entries, sorted.
  Result<std::vector<std::string>> contentsOfDirectoryAtPath(const std::string& path) const;

  Result<Bytes> contentsAtPath(const std::string& path) const;
  // Writes through a temporary file in the same folder, flushed, then
  // renamed over the target: readers see the old or the new file, never a
  // torn one. Creates the parent folders.
  Status writeAtomically(const std::string& path, std::string_view data, unsigned mode = 0644) const;

  // Linux keeps no device backups; this only checks that the item exists
  // so callers see the same success and failure as on the platform.
  Status setExcludedFromBackup(const std::string& path, bool excluded) const;
};

}  // namespace platform
