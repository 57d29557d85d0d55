// Haptic feedback for selection changes; counted, not felt.
#pragma once

namespace uikit {

class SelectionFeedbackGenerator {
 public:
  void prepare() { ++prepared_; }
  void selectionChanged() { ++changes_; }
  int selectionChangeCount() const { return changes_; }
  int prepareCount() const { return prepared_; }

 private:
  int prepared_ = 0;
  int changes_ = 0;
};

}  // namespace uikit
