// One property-list file shared by threads and processes: cached reads that
// re-read only when the file was replaced, and locked read-modify-write
// cycles that end in an atomic replace. The building block of the user
// defaults and keychain stores. Not thread-safe itself: owners serialise
// their calls; the lock here is for other processes.
#pragma once

#include <functional>
#include <string>

#include "Platform/Foundation/Status.h"
#include "Platform/Foundation/Value.h"

namespace platform {

class PropertyListFile {
 public:
  // Files whose top level is no dictionary count as corrupt.
  explicit PropertyListFile(unsigned mode = 0644) : mode_(mode) {}
  ~PropertyListFile();
  PropertyListFile(const PropertyListFile&) = delete;
  PropertyListFile& operator=(const PropertyListFile&) = delete;

  // The file's top-level dictionary; null when the file does not exist,
  // Corruption when it holds no property list with a dictionary at the top.
  // The pointer stays valid until the next call. A different path than last
  // time drops the cache.
  Result<const Value*> read(const std::string& path);

  // Under an exclusive lock on the file's folder (held across processes):
  // re-reads the file, lets change edit the contents (null when missing,
  // else a dictionary)
  // and, when it returns true, writes them back atomically; a null result
  // removes the file. A corrupt file is kept beside the original as
  // "<path>.corrupt" and the change starts from null, so no stored bytes are
  // lost silently.
  Status modify(const std::string& path, const std::function<bool(Value& contents)>& change);

 private:
  Status reloadIfChanged(const std::string& path);
  void dropCache();

  const unsigned mode_;
  std::string path_;
  int fd_ = -1;  // keeps the cached file's inode alive, so a new file never reuses it
  unsigned long long device_ = 0, inode_ = 0, size_ = 0;
  long long mtimeNs_ = 0;
  bool missing_ = true;
  Status loadStatus_;
  Value contents_;
};

}  // namespace platform
