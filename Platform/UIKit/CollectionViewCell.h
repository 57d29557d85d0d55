// A collection item's view: content view, selection and reuse hooks.
#pragma once

#include <memory>
#include <string>

#include "Platform/UIKit/View.h"

namespace uikit {

class CollectionViewCell : public View {
 public:
  CollectionViewCell();
  explicit CollectionViewCell(const Rect& frame);

  const std::string& reuseIdentifier() const { return reuseIdentifier_; }
  void setReuseIdentifier(std::string id) { reuseIdentifier_ = std::move(id); }
  std::shared_ptr<View> contentView() const { return contentView_; }
  std::shared_ptr<View> backgroundView;
  std::shared_ptr<View> selectedBackgroundView;

  bool isSelected() const { return selected_; }
  virtual void setSelected(bool selected) { selected_ = selected; }
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted) { highlighted_ = highlighted; }
  virtual void prepareForReuse() {}
  int reuseCount() const { return reuses_; }
  void noteReused() { ++reuses_; }

  void didMoveToSuperview() override;
  void layoutSubviews() override;

 private:
  std::string reuseIdentifier_;
  std::shared_ptr<View> contentView_;
  bool selected_ = false;
  bool highlighted_ = false;
  int reuses_ = 0;
};

}  // namespace uikit
