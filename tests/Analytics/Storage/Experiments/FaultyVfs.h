// A SQLite VFS over the default one whose file writes fail with
// SQLITE_IOERR_WRITE while armed: an I/O error injected under the store.
// Registered as the default VFS for the object's lifetime.
#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cstring>

class FaultyVfs {
 public:
  FaultyVfs() {
    real_ = sqlite3_vfs_find(nullptr);
    std::memset(&vfs_, 0, sizeof vfs_);
    vfs_.iVersion = 2;
    vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
    vfs_.mxPathname = real_->mxPathname;
    vfs_.zName = "faulty-writes";
    vfs_.pAppData = this;
    vfs_.xOpen = &Open;
    vfs_.xDelete = [](sqlite3_vfs* v, const char* n, int s) { return Real(v)->xDelete(Real(v), n, s); };
    vfs_.xAccess = [](sqlite3_vfs* v, const char* n, int f, int* o) { return Real(v)->xAccess(Real(v), n, f, o); };
    vfs_.xFullPathname = [](sqlite3_vfs* v, const char* n, int size, char* out) {
      return Real(v)->xFullPathname(Real(v), n, size, out);
    };
    vfs_.xRandomness = [](sqlite3_vfs* v, int n, char* out) { return Real(v)->xRandomness(Real(v), n, out); };
    vfs_.xSleep = [](sqlite3_vfs* v, int us) { return Real(v)->xSleep(Real(v), us); };
    vfs_.xCurrentTime = [](sqlite3_vfs* v, double* t) { return Real(v)->xCurrentTime(Real(v), t); };
    vfs_.xGetLastError = [](sqlite3_vfs* v, int n, char* out) { return Real(v)->xGetLastError(Real(v), n, out); };
    vfs_.xCurrentTimeInt64 = [](sqlite3_vfs* v, sqlite3_int64* t) {
      return Real(v)->xCurrentTimeInt64(Real(v), t);
    };
    sqlite3_vfs_register(&vfs_, 1);
  }
  ~FaultyVfs() { sqlite3_vfs_unregister(&vfs_); }
  FaultyVfs(const FaultyVfs&) = delete;
  FaultyVfs& operator=(const FaultyVfs&) = delete;

  void arm(bool failWrites) { failWrites_ = failWrites; }

 private:
  struct File {
    sqlite3_file base;
    FaultyVfs* owner;
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
  };

  static sqlite3_vfs* Real(sqlite3_vfs* vfs) { return static_cast<FaultyVfs*>(vfs->pAppData)->real_; }
  static File* Self(sqlite3_file* file) { return reinterpret_cast<File*>(file); }

  static int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    File* self = Self(file);
    self->owner = static_cast<FaultyVfs*>(vfs->pAppData);
    self->base.pMethods = nullptr;
    int rc = Real(vfs)->xOpen(Real(vfs), name, self->real(), flags, outFlags);
    if (rc == SQLITE_OK) self->base.pMethods = &kMethods;
    return rc;
  }

  static const sqlite3_io_methods kMethods;

  sqlite3_vfs vfs_;
  sqlite3_vfs* real_ = nullptr;
  std::atomic<bool> failWrites_{false};
};

inline const sqlite3_io_methods FaultyVfs::kMethods = {
      1,
      [](sqlite3_file* f) { return Self(f)->real()->pMethods->xClose(Self(f)->real()); },
      [](sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return Self(f)->real()->pMethods->xRead(Self(f)->real(), b, n, o); },
      [](sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
        if (Self(f)->owner->failWrites_) return SQLITE_IOERR_WRITE;
        return Self(f)->real()->pMethods->xWrite(Self(f)->real(), b, n, o);
      },
      [](sqlite3_file* f, sqlite3_int64 s) { return Self(f)->real()->pMethods->xTruncate(Self(f)->real(), s); },
      [](sqlite3_file* f, int fl) { return Self(f)->real()->pMethods->xSync(Self(f)->real(), fl); },
      [](sqlite3_file* f, sqlite3_int64* s) { return Self(f)->real()->pMethods->xFileSize(Self(f)->real(), s); },
      [](sqlite3_file* f, int l) { return Self(f)->real()->pMethods->xLock(Self(f)->real(), l); },
      [](sqlite3_file* f, int l) { return Self(f)->real()->pMethods->xUnlock(Self(f)->real(), l); },
      [](sqlite3_file* f, int* o) { return Self(f)->real()->pMethods->xCheckReservedLock(Self(f)->real(), o); },
      [](sqlite3_file* f, int op, void* a) { return Self(f)->real()->pMethods->xFileControl(Self(f)->real(), op, a); },
      [](sqlite3_file* f) { return Self(f)->real()->pMethods->xSectorSize(Self(f)->real()); },
      [](sqlite3_file* f) { return Self(f)->real()->pMethods->xDeviceCharacteristics(Self(f)->real()); },
      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
