// A scroll view: content offset (the bounds origin), content size, zoom and
// delegate callbacks. userScroll() drags as a person does. Pull-to-refresh
// and infinite-scrolling add-ons hang off it with triggers for tests.
#pragma once

#include <functional>
#include <memory>

#include "Platform/UIKit/View.h"

namespace uikit {

class ScrollView;
class RefreshControl;
class PullToRefreshView;
class InfiniteScrollingView;

class ScrollViewDelegate {
 public:
  virtual ~ScrollViewDelegate() = default;
  virtual void scrollViewDidScroll(ScrollView& scrollView) { (void)scrollView; }
  virtual void scrollViewWillBeginDragging(ScrollView& scrollView) { (void)scrollView; }
  virtual void scrollViewDidEndDraggingWillDecelerate(ScrollView& scrollView, bool decelerate) {
    (void)scrollView, (void)decelerate;
  }
  virtual void scrollViewDidEndDecelerating(ScrollView& scrollView) { (void)scrollView; }
  virtual void scrollViewDidEndScrollingAnimation(ScrollView& scrollView) { (void)scrollView; }
  virtual std::shared_ptr<View> viewForZoomingInScrollView(ScrollView& scrollView) {
    (void)scrollView;
    return nullptr;
  }
  virtual void scrollViewDidZoom(ScrollView& scrollView) { (void)scrollView; }
};

enum class KeyboardDismissMode { kNone, kOnDrag, kInteractive };

class ScrollView : public View {
 public:
  ScrollView();
  explicit ScrollView(const Rect& frame);
  ~ScrollView() override;

  Point contentOffset() const { return bounds().origin; }
  void setContentOffset(Point offset, bool animated = false);
  Size contentSize() const { return contentSize_; }
  void setContentSize(Size size) { contentSize_ = size; }
  EdgeInsets contentInset;
  bool isScrollEnabled = true;
  bool isPagingEnabled = false;
  bool bounces = true;
  bool alwaysBounceVertical = false;
  bool alwaysBounceHorizontal = false;
  bool showsVerticalScrollIndicator = true;
  bool showsHorizontalScrollIndicator = true;
  KeyboardDismissMode keyboardDismissMode = KeyboardDismissMode::kNone;
  double minimumZoomScale = 1;
  double maximumZoomScale = 1;
  double zoomScale() const { return zoomScale_; }
  void setZoomScale(double scale, bool animated = false);

  void setDelegate(const std::shared_ptr<ScrollViewDelegate>& d) { scrollDelegate_ = d; }
  std::shared_ptr<ScrollViewDelegate> scrollDelegate() const { return scrollDelegate_.lock(); }

  std::shared_ptr<RefreshControl> refreshControl() const { return refreshControl_; }
  void setRefreshControl(std::shared_ptr<RefreshControl> control);

  // A person drags the content to offset and lets go.
  void userScroll(Point offset, bool decelerate = false);

  // Pull to refresh and infinite scrolling.
  void addPullToRefreshWithActionHandler(std::function<void()> handler);
  std::shared_ptr<PullToRefreshView> pullToRefreshView() const { return pullToRefresh_; }
  bool showsPullToRefresh = true;
  void triggerPullToRefresh();
  void addInfiniteScrollingWithActionHandler(std::function<void()> handler);
  std::shared_ptr<InfiniteScrollingView> infiniteScrollingView() const { return infinite_; }
  bool showsInfiniteScrolling = true;
  void triggerInfiniteScrolling();

 protected:
  virtual void contentOffsetDidChange() {}
  virtual void notifyDidScroll();

 private:
  Size contentSize_;
  double zoomScale_ = 1;
  std::weak_ptr<ScrollViewDelegate> scrollDelegate_;
  std::shared_ptr<RefreshControl> refreshControl_;
  std::shared_ptr<PullToRefreshView> pullToRefresh_;
  std::shared_ptr<InfiniteScrollingView> infinite_;
};

}  // namespace uikit
