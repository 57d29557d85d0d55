// Registrations and recycled views of a list, by reuse identifier. A
// dequeue hands back a recycled view when one waits (stale state and all,
// after prepareForReuse), else makes one from the registration.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Platform/UIKit/Nib.h"

namespace uikit {

class View;

class ReusePool {
 public:
  using Factory = std::function<std::shared_ptr<View>()>;

  void registerClass(const std::string& identifier, Factory factory);
  void registerNib(const std::shared_ptr<Nib>& nib, const std::string& identifier);
  bool isRegistered(const std::string& identifier) const;

  // A recycled view (prepared for reuse) or a new one; none when the
  // identifier is not registered.
  std::shared_ptr<View> dequeue(const std::string& identifier);
  void enqueue(const std::string& identifier, const std::shared_ptr<View>& view);
  std::size_t waitingCount(const std::string& identifier) const;
  int createdCount() const { return created_; }

 private:
  std::map<std::string, Factory> factories_;
  std::map<std::string, std::vector<std::shared_ptr<View>>> waiting_;
  int created_ = 0;
};

}  // namespace uikit
