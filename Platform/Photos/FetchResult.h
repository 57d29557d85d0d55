// An immutable, ordered snapshot of what a fetch found. Index-of is a hash
// lookup by identifier. Shared as a pointer to const; "the same fetch result"
// means the same object.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Platform/Photos/FetchQuery.h"

namespace photos {

template <class Ptr>
class FetchResult {
 public:
  FetchResult() = default;
  FetchResult(std::vector<Ptr> objects, std::shared_ptr<const FetchQuery> query)
      : objects_(std::move(objects)), query_(std::move(query)) {
    index_.reserve(objects_.size());
    for (std::size_t i = 0; i < objects_.size(); ++i) index_.emplace(objects_[i]->localIdentifier(), i);
  }

  static std::shared_ptr<const FetchResult> empty() { return std::make_shared<const FetchResult>(); }

  std::size_t count() const { return objects_.size(); }
  bool isEmpty() const { return objects_.empty(); }
  // None outside 0..count-1.
  Ptr objectAt(std::size_t index) const { return index < objects_.size() ? objects_[index] : Ptr(); }
  Ptr firstObject() const { return objectAt(0); }
  Ptr lastObject() const { return objects_.empty() ? Ptr() : objects_.back(); }
  // Position of the object with the same identifier; none for none.
  std::optional<std::size_t> indexOf(const Ptr& object) const {
    if (!object) return std::nullopt;
    return indexOfIdentifier(object->localIdentifier());
  }
  std::optional<std::size_t> indexOfIdentifier(const std::string& identifier) const {
    auto it = index_.find(identifier);
    if (it == index_.end()) return std::nullopt;
    return it->second;
  }
  bool contains(const Ptr& object) const { return indexOf(object).has_value(); }
  const std::vector<Ptr>& objects() const { return objects_; }
  // The question this result answers; none for an empty or scripted result.
  const std::shared_ptr<const FetchQuery>& query() const { return query_; }

 private:
  std::vector<Ptr> objects_;
  std::unordered_map<std::string, std::size_t> index_;
  std::shared_ptr<const FetchQuery> query_;
};

}  // namespace photos
