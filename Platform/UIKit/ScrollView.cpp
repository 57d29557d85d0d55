#include "Platform/UIKit/ScrollView.h"

#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/InfiniteScrollingView.h"
#include "Platform/UIKit/PullToRefreshView.h"
#include "Platform/UIKit/RefreshControl.h"

namespace uikit {

namespace {
constexpr double kPullThreshold = 60;
}

ScrollView::ScrollView() { setClipsToBounds(true); }

ScrollView::ScrollView(const Rect& frame) : View(frame) { setClipsToBounds(true); }

ScrollView::~ScrollView() = default;

void ScrollView::setContentSize(Size size) {
  if (size == contentSize_) return;
  contentSize_ = size;
  auto keep = sharedAs<ScrollView>();
  // A handler may add or drop observers; it walks a copy.
  auto observers = contentSizeObservers_;
  std::erase_if(contentSizeObservers_, [](const auto& weak) { return weak.expired(); });
  for (const auto& weak : observers) {
    if (auto observer = weak.lock()) observer->notify(size);
  }
}

std::shared_ptr<ContentSizeObservation> ScrollView::observeContentSize(ContentSizeObservation::Handler handler) {
  auto observation = std::make_shared<ContentSizeObservation>(std::move(handler));
  contentSizeObservers_.push_back(observation);
  return observation;
}

void ScrollView::notifyDidScroll() {
  if (auto d = scrollDelegate()) d->scrollViewDidScroll(*this);
}

void ScrollView::setContentOffset(Point offset, bool animated) {
  Rect b = bounds();
  if (b.origin != offset) {
    setBounds(Rect(offset, b.size));
    contentOffsetDidChange();
    notifyDidScroll();
  }
  if (animated) {
    std::weak_ptr<ScrollView> weak = sharedAs<ScrollView>();
    platform::RunLoop::main().asyncAfter(0.3, [weak] {
      if (auto self = weak.lock()) {
        if (auto d = self->scrollDelegate()) d->scrollViewDidEndScrollingAnimation(*self);
      }
    });
  }
}

void ScrollView::setZoomScale(double scale, bool animated) {
  (void)animated;
  double s = std::max(minimumZoomScale, std::min(maximumZoomScale, scale));
  if (s == zoomScale_) return;
  zoomScale_ = s;
  if (auto d = scrollDelegate()) {
    if (auto z = d->viewForZoomingInScrollView(*this)) {
      z->setTransform(AffineTransform::scale(s, s));
      Rect f = z->frame();
      // The scaled view starts at the content's origin.
      z->setCenter({f.width() / 2, f.height() / 2});
      setContentSize(f.size);
    }
    d->scrollViewDidZoom(*this);
  }
}

void ScrollView::zoomToRect(const Rect& rect, bool animated) {
  if (rect.isEmpty()) return;
  Size b = bounds().size;
  setZoomScale(std::min(b.width / rect.width(), b.height / rect.height()), animated);
  double s = zoomScale_;
  Size content = contentSize();
  Point offset{rect.midX() * s - b.width / 2, rect.midY() * s - b.height / 2};
  offset.x = std::max(0.0, std::min(offset.x, content.width - b.width));
  offset.y = std::max(0.0, std::min(offset.y, content.height - b.height));
  setContentOffset(offset, animated);
}

void ScrollView::userPinch(double factor) {
  if (!(factor > 0)) return;
  setZoomScale(zoomScale_ * factor);
  if (auto d = scrollDelegate()) {
    auto z = d->viewForZoomingInScrollView(*this);
    d->scrollViewDidEndZooming(*this, z.get(), zoomScale_);
  }
}

void ScrollView::setRefreshControl(std::shared_ptr<RefreshControl> control) {
  if (refreshControl_) refreshControl_->removeFromSuperview();
  refreshControl_ = std::move(control);
  if (refreshControl_) addSubview(refreshControl_);
}

void ScrollView::userScroll(Point offset, bool decelerate) {
  if (!isScrollEnabled || !isUserInteractionEnabled()) return;
  auto keep = sharedAs<ScrollView>();
  if (auto d = scrollDelegate()) d->scrollViewWillBeginDragging(*this);
  setContentOffset(offset);
  if (auto d = scrollDelegate()) d->scrollViewDidEndDraggingWillDecelerate(*this, decelerate);
  if (offset.y <= -kPullThreshold) {
    if (refreshControl_) refreshControl_->userPull();
    if (pullToRefresh_ && showsPullToRefresh) pullToRefresh_->trigger();
  }
  double bottom = contentSize_.height + contentInset.bottom - bounds().height();
  if (infinite_ && showsInfiniteScrolling && contentSize_.height > 0 && offset.y >= bottom) {
    infinite_->trigger();
  }
  if (decelerate) {
    if (auto d = scrollDelegate()) d->scrollViewDidEndDecelerating(*this);
  }
}

void ScrollView::addPullToRefreshWithActionHandler(std::function<void()> handler) {
  if (!pullToRefresh_) {
    pullToRefresh_ = std::make_shared<PullToRefreshView>();
    pullToRefresh_->setFrame(Rect(0, -kPullThreshold, bounds().width(), kPullThreshold));
    addSubview(pullToRefresh_);
  }
  pullToRefresh_->actionHandler = std::move(handler);
}

void ScrollView::triggerPullToRefresh() {
  if (pullToRefresh_ && showsPullToRefresh) pullToRefresh_->trigger();
}

void ScrollView::addInfiniteScrollingWithActionHandler(std::function<void()> handler) {
  if (!infinite_) {
    infinite_ = std::make_shared<InfiniteScrollingView>();
    addSubview(infinite_);
  }
  infinite_->actionHandler = std::move(handler);
}

void ScrollView::triggerInfiniteScrolling() {
  if (infinite_ && showsInfiniteScrolling) infinite_->trigger();
}

}  // namespace uikit
