// The loader calls of the view models and the refresh, in one place so that
// the order "hide, then hand the reply to the screen" can be observed.
#pragma once

#include <functional>
#include <string>

class ViewModelLoader {
 public:
  enum class Call { show, showWithBlankMessage, hide };
  // Hears every call before it reaches the shared loader (tests); empty by default.
  static std::function<void(Call)>& observer();

  static void show();
  static void showWithBlankMessage();
  static void hide();
  // Hides, then calls the completion with the value unchanged.
  template <class V>
  static void hideThenComplete(V value, const std::function<void(V)>& completion) {
    hide();
    if (completion) completion(std::move(value));
  }
  // A completion that hides the loader before it hands the value on.
  template <class V>
  static std::function<void(V)> hidingBefore(std::function<void(V)> completion) {
    return [completion = std::move(completion)](V value) { hideThenComplete(std::move(value), completion); };
  }
};
