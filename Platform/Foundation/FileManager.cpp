#include "Platform/Foundation/FileManager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

Status FromErrno(int err, const std::string& what) {
  std::string msg = what + ": " + std::strerror(err);
  switch (err) {
    case ENOENT: return Status::NotFound(msg);
    case EEXIST:
    case ENOTEMPTY: return Status::AlreadyExists(msg);
    case EINVAL:
    case ENAMETOOLONG: return Status::InvalidArgument(msg);
    default: return Status::IOError(msg);
  }
}

Status FromError(const std::error_code& ec, const std::string& what) {
  if (ec.category() == std::generic_category() || ec.category() == std::system_category()) {
    return FromErrno(ec.value(), what);
  }
  return Status::IOError(what + ": " + ec.message());
}

std::string ParentOf(const std::string& path) {
  fs::path p(path);
  return p.parent_path().string();
}

}  // namespace

FileManager& FileManager::defaultManager() {
  static FileManager manager;
  return manager;
}

bool FileManager::fileExistsAtPath(const std::string& path) const {
  return fileExistsAtPath(path, nullptr);
}

bool FileManager::fileExistsAtPath(const std::string& path, bool* isDirectory) const {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
  if (isDirectory) *isDirectory = S_ISDIR(st.st_mode);
  return true;
}

Status FileManager::createDirectoryAtPath(const std::string& path, bool withIntermediateDirectories) const {
  if (path.empty()) return Status::InvalidArgument("empty path");
  std::error_code ec;
  if (withIntermediateDirectories) {
    bool isDirectory = false;
    if (fileExistsAtPath(path, &isDirectory) && !isDirectory) {
      return Status::AlreadyExists(path + " exists and is no folder");
    }
    fs::create_directories(path, ec);
    if (ec) return FromError(ec, "cannot create " + path);
    if (!fs::is_directory(path, ec)) return Status::AlreadyExists(path + " exists and is no folder");
    return Status::OK();
  }
  if (::mkdir(path.c_str(), 0755) != 0) return FromErrno(errno, "cannot create " + path);
  return Status::OK();
}

Status FileManager::moveItemAtPath(const std::string& from, const std::string& to,
                                   bool replaceExisting) const {
  if (from.empty() || to.empty()) return Status::InvalidArgument("empty path");
  struct stat st {};
  if (::lstat(from.c_str(), &st) != 0) return FromErrno(errno, "cannot move " + from);
  if (replaceExisting) {
    if (::rename(from.c_str(), to.c_str()) == 0) return Status::OK();
    int err = errno;
    // rename cannot put a file over a folder or into another file system.
    if (err != EISDIR && err != ENOTDIR && err != ENOTEMPTY && err != EEXIST && err != EXDEV) {
      return FromErrno(err, "cannot move " + from + " to " + to);
    }
    if (err != EXDEV) {
      Status removed = removeItemAtPath(to);
      if (!removed.ok()) return removed;
      if (::rename(from.c_str(), to.c_str()) == 0) return Status::OK();
      return FromErrno(errno, "cannot move " + from + " to " + to);
    }
  } else {
    // renameat2(RENAME_NOREPLACE) would close the gap between the check and
    // the rename, but is not available on every file system; a link+unlink
    // for files gives the same no-replace guarantee.
    if (S_ISREG(st.st_mode)) {
      if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return Status::OK();
      }
      int err = errno;
      if (err == EEXIST) return Status::AlreadyExists(to + " already exists");
      if (err != EXDEV && err != EPERM && err != EOPNOTSUPP) {
        return FromErrno(err, "cannot move " + from + " to " + to);
      }
    } else {
      struct stat dst {};
      if (::lstat(to.c_str(), &dst) == 0) return Status::AlreadyExists(to + " already exists");
      if (::rename(from.c_str(), to.c_str()) == 0) return Status::OK();
      if (errno != EXDEV) return FromErrno(errno, "cannot move " + from + " to " + to);
    }
    struct stat dst {};
    if (::lstat(to.c_str(), &dst) == 0) return Status::AlreadyExists(to + " already exists");
  }
  // Across file systems: copy, then remove the source.
  std::error_code ec;
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
  if (ec) return FromError(ec, "cannot move " + from + " to " + to);
  return removeItemAtPath(from);
}

Status FileManager::removeItemAtPath(const std::string& path) const {
  if (path.empty()) return Status::InvalidArgument("empty path");
  std::error_code ec;
  auto removed = fs::remove_all(path, ec);
  if (ec) return FromError(ec, "cannot remove " + path);
  if (removed == 0) return Status::NotFound(path + " does not exist");
  return Status::OK();
}

Result<FileAttributes> FileManager::attributesOfItemAtPath(const std::string& path) const {
  struct stat st {};
  if (path.empty()) return Status::InvalidArgument("empty path");
  if (::lstat(path.c_str(), &st) != 0) return FromErrno(errno, "cannot read attributes of " + path);
  FileAttributes a;
  if (S_ISREG(st.st_mode)) a.kind = FileAttributes::Kind::kRegular;
  else if (S_ISDIR(st.st_mode)) a.kind = FileAttributes::Kind::kDirectory;
  else if (S_ISLNK(st.st_mode)) a.kind = FileAttributes::Kind::kSymbolicLink;
  a.size = static_cast<std::uint64_t>(st.st_size);
  a.modificationDate = static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec / 1e9;
  a.permissions = st.st_mode & 07777;
  return a;
}

Result<FileSystemAttributes> FileManager::attributesOfFileSystemForPath(const std::string& path) const {
  struct statvfs vfs {};
  if (path.empty()) return Status::InvalidArgument("empty path");
  if (::statvfs(path.c_str(), &vfs) != 0) return FromErrno(errno, "cannot read file system of " + path);
  FileSystemAttributes a;
  a.freeSize = static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
  a.totalSize = static_cast<std::uint64_t>(vfs.f_blocks) * vfs.f_frsize;
  return a;
}

Result<std::vector<std::string>> FileManager::contentsOfDirectoryAtPath(const std::string& path) const {
  std::error_code ec;
  fs::directory_iterator it(path, ec);
  if (ec) return FromError(ec, "cannot list " + path);
  std::vector<std::string> names;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) return FromError(ec, "cannot list " + path);
    names.push_back(it->path().filename().string());
  }
  if (ec) return FromError(ec, "cannot list " + path);
  std::sort(names.begin(), names.end());
  return names;
}

Result<Bytes> FileManager::contentsAtPath(const std::string& path) const {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FromErrno(errno, "cannot open " + path);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Status::InvalidArgument(path + " is no regular file");
  }
  Bytes out;
  out.reserve(static_cast<std::size_t>(st.st_size));
  std::uint8_t buf[65536];
  while (true) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      return FromErrno(err, "cannot read " + path);
    }
    if (n == 0) break;
    out.insert(out.end(), buf, buf + n);
  }
  ::close(fd);
  return out;
}

Status FileManager::writeAtomically(const std::string& path, std::string_view data, unsigned mode) const {
  if (path.empty()) return Status::InvalidArgument("empty path");
  std::string parent = ParentOf(path);
  if (!parent.empty()) {
    Status made = createDirectoryAtPath(parent, true);
    if (!made.ok()) return made;
  }
  // A unique temp name per call: two threads or processes writing the same
  // file must not share a temp file.
  static std::atomic<unsigned> counter{0};
  std::string tmp = path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter++);
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 07777);
  if (fd < 0) return FromErrno(errno, "cannot create " + tmp);
  // The umask may have narrowed the mode; the caller's bits are what counts
  // (and 0600 stays 0600 whatever the umask).
  ::fchmod(fd, mode & 07777);
  const char* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      ::unlink(tmp.c_str());
      return FromErrno(err, "cannot write " + tmp);
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) {
    int err = errno;
    ::close(fd);
    ::unlink(tmp.c_str());
    return FromErrno(err, "cannot flush " + tmp);
  }
  ::close(fd);
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    return FromErrno(err, "cannot replace " + path);
  }
  return Status::OK();
}

Status FileManager::setExcludedFromBackup(const std::string& path, bool /*excluded*/) const {
  if (!fileExistsAtPath(path)) return Status::NotFound(path + " does not exist");
  return Status::OK();
}

}  // namespace platform
