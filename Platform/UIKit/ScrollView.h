// A scroll view: content offset (the bounds origin), content size, zoom and
// delegate callbacks. userScroll() drags as a person does. Pull-to-refresh
// and infinite-scrolling add-ons hang off it with triggers for tests.
#pragma once

#include <functional>
#include <memory>
#include <vector>

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
  virtual void scrollViewDidEndZooming(ScrollView& scrollView, View* view, double scale) {
    (void)scrollView, (void)view, (void)scale;
  }
};

enum class KeyboardDismissMode { kNone, kOnDrag, kInteractive };

// Key-value observation of a scroll view's content size: the handler hears
// every change of the value for as long as the observer keeps this token.
class ContentSizeObservation {
 public:
  using Handler = std::function<void(Size newValue)>;
  explicit ContentSizeObservation(Handler handler) : handler_(std::move(handler)) {}
  void notify(Size size) const {
    if (handler_) handler_(size);
  }
  void invalidate() { handler_ = nullptr; }

 private:
  Handler handler_;
};

class ScrollView : public View {
 public:
  ScrollView();
  explicit ScrollView(const Rect& frame);
  ~ScrollView() override;

  Point contentOffset() const { return bounds().origin; }
  void setContentOffset(Point offset, bool animated = false);
  Size contentSize() const { return contentSize_; }
  void setContentSize(Size size);
  // Observes "contentSize" (new values); dropping the token removes it.
  [[nodiscard]] std::shared_ptr<ContentSizeObservation> observeContentSize(ContentSizeObservation::Handler handler);
  // Shows the indicators briefly; only counted here.
  void flashScrollIndicators() { ++indicatorFlashes_; }
  int indicatorFlashCount() const { return indicatorFlashes_; }
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
  // Within the limits. The zooming view (the delegate's) is scaled about its
  // centre and the content size becomes its scaled frame size.
  void setZoomScale(double scale, bool animated = false);
  // Zooms so rect (in the zooming view's coordinates) fills the bounds as far
  // as the limits allow, and scrolls it to the middle. An empty rectangle
  // does nothing.
  void zoomToRect(const Rect& rect, bool animated);
  // A person pinches by factor (new scale = scale x factor) and lets go.
  void userPinch(double factor);

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
  std::vector<std::weak_ptr<ContentSizeObservation>> contentSizeObservers_;
  int indicatorFlashes_ = 0;
  double zoomScale_ = 1;
  std::weak_ptr<ScrollViewDelegate> scrollDelegate_;
  std::shared_ptr<RefreshControl> refreshControl_;
  std::shared_ptr<PullToRefreshView> pullToRefresh_;
  std::shared_ptr<InfiniteScrollingView> infinite_;
};

}  // namespace uikit
