// Closures that hold their owner weakly: once the owner is gone, calling
// the closure does nothing (a late reply cannot reach a closed screen).
#pragma once

#include <functional>
#include <memory>
#include <utility>

namespace uikit {

template <typename Owner, typename... Args, typename Fn>
std::function<void(Args...)> weakCallback(const std::shared_ptr<Owner>& owner, Fn fn) {
  std::weak_ptr<Owner> weak = owner;
  return [weak, fn = std::move(fn)](Args... args) {
    if (auto strong = weak.lock()) fn(*strong, std::forward<Args>(args)...);
  };
}

}  // namespace uikit
