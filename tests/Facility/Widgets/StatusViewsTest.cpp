#include <memory>

#include "Facility/Widgets/NoInternetConnectionView.h"
#include "Facility/Widgets/MaintenanceTimeView.h"
#include "Facility/Widgets/NoDataView.h"
#include "tests/Facility/Widgets/WidgetsFixture.h"

namespace widgets_test {
namespace {

using StatusViewsTest = WidgetsFixture;

TEST_F(StatusViewsTest, NoInternetViewFromItsFileHasItsOutletsAndTryAgainChangesNothing) {
  auto root = std::make_shared<uikit::ViewController>();
  show(root);
  auto view = NoInternetConnectionView::loadFromNib();
  ASSERT_TRUE(view);
  ASSERT_TRUE(view->lblNoInternet && view->lblNoConnection && view->btnTryAgain);
  EXPECT_EQ(view->btnTryAgain->superview(), view);
  root->view()->addSubview(view);
  int removals = 0;
  view->blockForRemove = [&] { ++removals; };
  const auto subviewsBefore = view->subviews();
  const auto headline = view->lblNoInternet->text();

  EXPECT_TRUE(view->btnTryAgain->tap()) << "the button is wired";
  runUntilIdle();
  EXPECT_EQ(removals, 0) << "only the owner takes the view away";
  EXPECT_EQ(view->superview(), root->view());
  EXPECT_FALSE(view->isHidden());
  EXPECT_EQ(view->subviews(), subviewsBefore);
  EXPECT_EQ(view->lblNoInternet->text(), headline);

  // The owner's own use of the callback.
  view->blockForRemove();
  EXPECT_EQ(removals, 1);
}

TEST_F(StatusViewsTest, ViewsMadeInCodeAreEmpty) {
  const uikit::Rect frame(0, 0, 320, 200);
  auto noInternet = std::make_shared<NoInternetConnectionView>();
  auto noInternetFramed = std::make_shared<NoInternetConnectionView>(frame);
  for (const auto& v : {noInternet, noInternetFramed}) {
    EXPECT_FALSE(v->lblNoInternet || v->lblNoConnection || v->btnTryAgain);
    EXPECT_FALSE(v->blockForRemove);
    EXPECT_TRUE(v->subviews().empty());
  }
  EXPECT_EQ(noInternetFramed->frame(), frame);

  auto maintenance = std::make_shared<MaintenanceTimeView>(frame);
  EXPECT_FALSE(maintenance->blockForRemove);
  EXPECT_FALSE(maintenance->lblInMaintenance.lock());
  auto noData = std::make_shared<NoDataView>(frame);
  EXPECT_FALSE(noData->lblMessage.lock());
  EXPECT_TRUE(maintenance->subviews().empty() && noData->subviews().empty());
}

}  // namespace
}  // namespace widgets_test
