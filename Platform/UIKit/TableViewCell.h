// A table row's view: content view, optional stock labels and image,
// selection state and the reuse hooks.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/UIKit/ImageView.h"
#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/View.h"

namespace uikit {

enum class TableViewCellStyle { kDefault, kValue1, kValue2, kSubtitle };
enum class TableViewCellAccessoryType { kNone, kDisclosureIndicator, kDetailDisclosureButton, kCheckmark, kDetailButton };
enum class TableViewCellSelectionStyle { kNone, kBlue, kGray, kDefault };

class TableViewCell : public View {
 public:
  TableViewCell();
  explicit TableViewCell(TableViewCellStyle style, std::string reuseIdentifier = {});

  const std::string& reuseIdentifier() const { return reuseIdentifier_; }
  void setReuseIdentifier(std::string id) { reuseIdentifier_ = std::move(id); }
  TableViewCellStyle style() const { return style_; }
  std::shared_ptr<View> contentView() const { return contentView_; }
  // Stock subviews, made on first use.
  std::shared_ptr<Label> textLabel();
  std::shared_ptr<Label> detailTextLabel();
  std::shared_ptr<ImageView> imageView();
  // The stock views if made, without making them.
  std::shared_ptr<Label> textLabelIfMade() const { return textLabel_; }
  std::shared_ptr<Label> detailTextLabelIfMade() const { return detailTextLabel_; }

  TableViewCellAccessoryType accessoryType = TableViewCellAccessoryType::kNone;
  std::shared_ptr<View> accessoryView;
  TableViewCellSelectionStyle selectionStyle = TableViewCellSelectionStyle::kDefault;
  std::shared_ptr<View> selectedBackgroundView;

  bool isSelected() const { return selected_; }
  virtual void setSelected(bool selected, bool animated);
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted, bool animated);
  void didMoveToSuperview() override;
  void layoutSubviews() override;
  // Called on a recycled cell before a dequeue hands it out again.
  virtual void prepareForReuse() {}
  int reuseCount() const { return reuses_; }
  void noteReused() { ++reuses_; }

 private:
  std::string reuseIdentifier_;
  TableViewCellStyle style_ = TableViewCellStyle::kDefault;
  std::shared_ptr<View> contentView_;
  std::shared_ptr<Label> textLabel_;
  std::shared_ptr<Label> detailTextLabel_;
  std::shared_ptr<ImageView> imageView_;
  bool selected_ = false;
  bool highlighted_ = false;
  int reuses_ = 0;
};

}  // namespace uikit
