// Receives library changes, on a thread of the library (not the main one).
#pragma once

#include "Platform/Photos/Change.h"

namespace photos {

class PhotoLibraryChangeObserver {
 public:
  virtual ~PhotoLibraryChangeObserver() = default;
  virtual void photoLibraryDidChange(const ChangePtr& change) = 0;
};

}  // namespace photos
