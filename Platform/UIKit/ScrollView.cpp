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
    if (auto z = d->viewForZoomingInScrollView(*this)) z->setTransform(AffineTransform::scale(s, s));
    d->scrollViewDidZoom(*this);
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
