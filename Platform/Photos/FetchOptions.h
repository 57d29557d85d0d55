// What a fetch returns and in which order. A plain value: callers copy it to
// change the limit without touching a shared one.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/SortDescriptor.h"
#include "Platform/Photos/PhotoEnums.h"

namespace photos {

struct FetchOptions {
  // Only the key "creationDate" orders assets (ties by identifier, ascending);
  // other keys are ignored. Without one: oldest first.
  std::vector<platform::SortDescriptor> sortDescriptors;
  // The predicate "mediaType IN list": none matches every media type, an
  // empty list matches nothing.
  std::optional<std::vector<MediaType>> mediaTypes;
  // 0: no limit.
  std::size_t fetchLimit = 0;

  // The predicate as text ("mediaType IN {1, 2}"), "" when there is none.
  std::string predicateFormat() const;
  friend bool operator==(const FetchOptions&, const FetchOptions&) = default;
};

using FetchOptionsPtr = std::shared_ptr<const FetchOptions>;

}  // namespace photos
