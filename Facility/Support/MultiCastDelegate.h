// A list of delegates that answers "responds to" for any of them; messages
// are not forwarded. Delegates are held strongly.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

// Something that can say which selectors it answers.
class SelectorResponder {
 public:
  virtual ~SelectorResponder() = default;
  virtual bool respondsToSelector(const std::string& selector) const = 0;
};

class MultiCastDelegate : public SelectorResponder {
 public:
  std::vector<std::shared_ptr<SelectorResponder>> _delegates;
  // The list's own selectors, then each delegate in order.
  bool respondsToSelector(const std::string& selector) const override;

 protected:
  virtual bool ownSelector(const std::string& selector) const;
};
