#include "Platform/UIKit/ReusePool.h"

#include "Platform/UIKit/View.h"

namespace uikit {

void ReusePool::registerClass(const std::string& identifier, Factory factory) {
  factories_[identifier] = std::move(factory);
}

void ReusePool::registerNib(const std::shared_ptr<Nib>& nib, const std::string& identifier) {
  if (!nib) {
    factories_.erase(identifier);
    return;
  }
  factories_[identifier] = [nib]() -> std::shared_ptr<View> {
    for (const auto& o : nib->instantiateWithOwner(nullptr)) {
      if (auto v = std::dynamic_pointer_cast<View>(o)) return v;
    }
    return nullptr;
  };
}

bool ReusePool::isRegistered(const std::string& identifier) const { return factories_.count(identifier) > 0; }

std::shared_ptr<View> ReusePool::dequeue(const std::string& identifier) {
  auto& q = waiting_[identifier];
  if (!q.empty()) {
    auto v = q.back();
    q.pop_back();
    return v;
  }
  auto it = factories_.find(identifier);
  if (it == factories_.end() || !it->second) return nullptr;
  auto v = it->second();
  if (v) ++created_;
  return v;
}

void ReusePool::enqueue(const std::string& identifier, const std::shared_ptr<View>& view) {
  if (!view || identifier.empty()) return;
  waiting_[identifier].push_back(view);
}

std::size_t ReusePool::waitingCount(const std::string& identifier) const {
  auto it = waiting_.find(identifier);
  return it == waiting_.end() ? 0 : it->second.size();
}

}  // namespace uikit
