// A reusable change to a view: given the content, answers the modified view.
#pragma once

namespace swiftui {

class View;

class ViewModifier {
 public:
  virtual ~ViewModifier() = default;
  virtual View body(View content) const = 0;
};

}  // namespace swiftui
