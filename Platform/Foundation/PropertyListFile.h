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

  // While one is alive on a thread, that thread's reads check each file on
  // disk once and then trust the cache (writes through the object still
  // update it): a short unit of work, such as storing one event, reads the
  // same settings many times. Changes by other processes are seen from the
  // next scope on. Scopes nest; the outermost one counts.
  class CheckOncePerScope {
   public:
    CheckOncePerScope();
    ~CheckOncePerScope();
    CheckOncePerScope(const CheckOncePerScope&) = delete;
    CheckOncePerScope& operator=(const CheckOncePerScope&) = delete;
  };

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
  // Trusts the cache when checked in the current scope.
  Status reloadIfChanged(const std::string& path);
  Status loadIfChanged(const std::string& path);
  void dropCache();

  const unsigned mode_;
  std::string path_;
  int fd_ = -1;  // keeps the cached file's inode alive, so a new file never reuses it
  unsigned long long device_ = 0, inode_ = 0, size_ = 0;
  long long mtimeNs_ = 0;
  bool missing_ = true;
  unsigned long long checkedScope_ = 0;  // the scope whose check is still trusted, 0 for none
  Status loadStatus_;
  Value contents_;
};

}  // namespace platform
