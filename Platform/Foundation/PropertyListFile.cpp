#include "Platform/Foundation/PropertyListFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/PropertyList.h"

namespace platform {
namespace {

long long MtimeNs(const struct stat& st) {
  return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

Status ReadAll(int fd, std::string* out) {
  char buf[65536];
  while (true) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Status::IOError(std::strerror(errno));
    }
    if (n == 0) return Status::OK();
    out->append(buf, static_cast<std::size_t>(n));
  }
}

// Exclusive lock on a folder, held until destruction. flock locks conflict
// between separate opens even inside one process, so this also orders
// threads that use different PropertyListFile objects on one folder.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder) {
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
      status_ = Status::IOError("cannot open " + folder + ": " + std::strerror(errno));
      return;
    }
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      status_ = Status::IOError("cannot lock " + folder + ": " + std::strerror(errno));
      return;
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  const Status& status() const { return status_; }

 private:
  int fd_ = -1;
  Status status_;
};

}  // namespace

namespace {

// Scope IDs are unique across threads, so a file checked in one thread's
// scope is never trusted in another's.
std::atomic<unsigned long long> gNextScope{1};
thread_local unsigned long long t_scope = 0;
thread_local int t_scopeDepth = 0;

}  // namespace

PropertyListFile::CheckOncePerScope::CheckOncePerScope() {
  if (t_scopeDepth++ == 0) t_scope = gNextScope.fetch_add(1);
}

PropertyListFile::CheckOncePerScope::~CheckOncePerScope() {
  if (--t_scopeDepth == 0) t_scope = 0;
}

PropertyListFile::~PropertyListFile() { dropCache(); }

void PropertyListFile::dropCache() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  path_.clear();
  device_ = inode_ = size_ = 0;
  mtimeNs_ = 0;
  missing_ = true;
  checkedScope_ = 0;
  loadStatus_ = Status::OK();
  contents_ = Value();
}

Status PropertyListFile::reloadIfChanged(const std::string& path) {
  bool fresh = path != path_;
  if (fresh) {
    dropCache();
    path_ = path;
  }
  if (t_scope != 0 && checkedScope_ == t_scope) return Status::OK();
  Status s = loadIfChanged(path);
  checkedScope_ = s.ok() ? t_scope : 0;
  return s;
}

Status PropertyListFile::loadIfChanged(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) {
      return Status::IOError("cannot read " + path + ": " + std::strerror(errno));
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    missing_ = true;
    loadStatus_ = Status::OK();
    contents_ = Value();
    return Status::OK();
  }
  // Writers always replace the file, so an unchanged inode that we still
  // hold open (and so cannot have been reused) means unchanged contents; size
  // and time stamp catch editors that write in place.
  if (fd_ >= 0 && static_cast<unsigned long long>(st.st_dev) == device_ &&
      static_cast<unsigned long long>(st.st_ino) == inode_ &&
      static_cast<unsigned long long>(st.st_size) == size_ && MtimeNs(st) == mtimeNs_) {
    return Status::OK();
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return loadIfChanged(path);  // removed meanwhile
    return Status::IOError("cannot open " + path + ": " + std::strerror(errno));
  }
  struct stat fst {};
  std::string data;
  Status readStatus = ::fstat(fd, &fst) == 0 ? ReadAll(fd, &data)
                                             : Status::IOError(std::strerror(errno));
  if (!readStatus.ok()) {
    ::close(fd);
    return Status::IOError("cannot read " + path + ": " + readStatus.message());
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  device_ = static_cast<unsigned long long>(fst.st_dev);
  inode_ = static_cast<unsigned long long>(fst.st_ino);
  size_ = static_cast<unsigned long long>(fst.st_size);
  mtimeNs_ = MtimeNs(fst);
  missing_ = false;
  auto parsed = PropertyList::read(data);
  if (parsed.ok() && !parsed->isDictionary()) {
    parsed = Status::Corruption("top level is no dictionary");
  }
  if (parsed.ok()) {
    loadStatus_ = Status::OK();
    contents_ = std::move(parsed).value();
  } else {
    loadStatus_ = Status::Corruption(path + ": " + parsed.status().message());
    contents_ = Value();
  }
  return Status::OK();
}

Result<const Value*> PropertyListFile::read(const std::string& path) {
  Status s = reloadIfChanged(path);
  if (!s.ok()) return s;
  if (!loadStatus_.ok()) return loadStatus_;
  return static_cast<const Value*>(&contents_);
}

Status PropertyListFile::modify(const std::string& path,
                                const std::function<bool(Value& contents)>& change) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  const std::string folder = parent.empty() ? std::string(".") : parent.string();
  Status made = FileManager::defaultManager().createDirectoryAtPath(folder, true);
  if (!made.ok()) return made;
  FolderLock lock(folder);
  if (!lock.status().ok()) return lock.status();

  if (path != path_) {
    dropCache();
    path_ = path;
  }
  // Always from disk: the lock is what makes this read current.
  Status s = loadIfChanged(path);
  if (!s.ok()) {
    checkedScope_ = 0;
    return s;
  }
  if (!loadStatus_.ok()) {
    // Keep the unreadable bytes for inspection instead of overwriting them.
    std::string aside = path + ".corrupt";
    if (::rename(path.c_str(), aside.c_str()) != 0) {
      return Status::IOError("cannot set aside unreadable " + path + ": " + std::strerror(errno));
    }
    LogWarning("unreadable property list moved to " + aside + " (" + loadStatus_.message() + ")");
    dropCache();
    path_ = path;
  }

  Value working = contents_;
  if (!change(working)) return Status::OK();
  if (!working.isNull() && !working.isDictionary()) {
    return Status::InvalidArgument("top level must be a dictionary");
  }

  if (working.isNull()) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
      return Status::IOError("cannot remove " + path + ": " + std::strerror(errno));
    }
  } else {
    auto xml = PropertyList::writeXml(working);
    if (!xml.ok()) return xml.status();
    Status written = FileManager::defaultManager().writeAtomically(path, *xml, mode_);
    if (!written.ok()) return written;
  }
  // Still under the lock, so the file on disk is the one just written:
  // record its identity and keep the contents without parsing them again.
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  missing_ = true;
  loadStatus_ = Status::OK();
  if (!working.isNull()) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat fst {};
    if (fd >= 0 && ::fstat(fd, &fst) == 0) {
      fd_ = fd;
      device_ = static_cast<unsigned long long>(fst.st_dev);
      inode_ = static_cast<unsigned long long>(fst.st_ino);
      size_ = static_cast<unsigned long long>(fst.st_size);
      mtimeNs_ = MtimeNs(fst);
      missing_ = false;
    } else if (fd >= 0) {
      ::close(fd);
    }
  }
  contents_ = std::move(working);
  return Status::OK();
}

}  // namespace platform
