#include "Platform/UIKit/StackView.h"

#include <algorithm>

namespace uikit {

void StackView::addArrangedSubview(const ViewPtr& view) { insertArrangedSubview(view, arranged_.size()); }

void StackView::insertArrangedSubview(const ViewPtr& view, std::size_t index) {
  if (!view) return;
  arranged_.erase(std::remove(arranged_.begin(), arranged_.end(), view), arranged_.end());
  index = std::min(index, arranged_.size());
  arranged_.insert(arranged_.begin() + static_cast<std::ptrdiff_t>(index), view);
  if (view->superview().get() != this) addSubview(view);
  setNeedsLayout();
}

void StackView::removeArrangedSubview(const ViewPtr& view) {
  arranged_.erase(std::remove(arranged_.begin(), arranged_.end(), view), arranged_.end());
  setNeedsLayout();
}

std::vector<ViewPtr> StackView::visibleArranged() const {
  std::vector<ViewPtr> out;
  for (const auto& v : arranged_) {
    if (v->superview().get() == this && !v->isHidden()) out.push_back(v);
  }
  return out;
}

Size StackView::contentFittingSize(double maxWidth) const {
  (void)maxWidth;
  auto views = visibleArranged();
  bool horizontal = axis == LayoutAxis::kHorizontal;
  double along = 0, across = 0, largest = 0;
  for (const auto& v : views) {
    Size s = v->systemLayoutSizeFittingSize();
    double a = horizontal ? s.width : s.height;
    along += a;
    largest = std::max(largest, a);
    across = std::max(across, horizontal ? s.height : s.width);
  }
  if (distribution == StackViewDistribution::kFillEqually) along = largest * static_cast<double>(views.size());
  if (views.size() > 1) along += spacing * static_cast<double>(views.size() - 1);
  return horizontal ? Size{along, across} : Size{across, along};
}

void StackView::layoutSubviews() {
  auto views = visibleArranged();
  bool horizontal = axis == LayoutAxis::kHorizontal;
  Rect b = bounds();
  double total = horizontal ? b.width() : b.height();
  double cross = horizontal ? b.height() : b.width();
  std::size_t n = views.size();
  double gaps = n > 1 ? spacing * static_cast<double>(n - 1) : 0;
  std::vector<double> lengths;
  for (const auto& v : views) {
    Size s = v->systemLayoutSizeFittingSize();
    lengths.push_back(horizontal ? s.width : s.height);
  }
  if (distribution == StackViewDistribution::kFillEqually && n > 0) {
    std::fill(lengths.begin(), lengths.end(), std::max(0.0, (total - gaps) / static_cast<double>(n)));
  } else if (distribution == StackViewDistribution::kFill && n > 0) {
    double sum = 0;
    for (double l : lengths) sum += l;
    // The last view takes up (or gives back) the slack.
    lengths.back() = std::max(0.0, lengths.back() + (total - gaps - sum));
  }
  double pos = 0;
  for (std::size_t i = 0; i < n; ++i) {
    Size s = views[i]->systemLayoutSizeFittingSize();
    double c = horizontal ? s.height : s.width;
    double off = 0;
    if (alignment == StackViewAlignment::kFill) {
      c = cross;
    } else if (alignment == StackViewAlignment::kCenter) {
      off = (cross - c) / 2;
    } else if (alignment == StackViewAlignment::kTrailing) {
      off = cross - c;
    }
    Rect f = horizontal ? Rect(pos, off, lengths[i], c) : Rect(off, pos, c, lengths[i]);
    views[i]->setFrame(f);
    pos += lengths[i] + spacing;
  }
  applyConstraintLayout();
}

}  // namespace uikit
