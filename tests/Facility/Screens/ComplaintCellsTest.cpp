#include <memory>

#include "Facility/Screens/FacilityManageComplainCell.h"
#include "Facility/Screens/FacilityRaiseComplainCell.h"
#include "Facility/Support/AppColor.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Nib.h"
#include "tests/Facility/Screens/ScreensFixture.h"

namespace screens_test {
namespace {

std::shared_ptr<uikit::Button> buttonNamed(const std::shared_ptr<uikit::View>& root, const std::string& id) {
  if (!root) return nullptr;
  if (root->accessibilityIdentifier() == id) return std::dynamic_pointer_cast<uikit::Button>(root);
  for (const auto& s : root->subviews()) {
    if (auto b = buttonNamed(s, id)) return b;
  }
  return nullptr;
}

class ComplaintCellsTest : public ScreensFixture {};

TEST_F(ComplaintCellsTest, CardsAreStyledAndEachButtonRunsItsClosure) {
  auto manage = fromNib<FacilityManageComplainCell>(FacilityManageComplainCell::kNibName);
  auto raise = fromNib<FacilityRaiseComplainCell>(FacilityRaiseComplainCell::kNibName);
  ASSERT_TRUE(manage && raise);
  auto icon = manage->openImageContainerView.lock();
  auto count = manage->openCountContainerView.lock();
  ASSERT_TRUE(icon && count);
  EXPECT_EQ(icon->layer().cornerRadius, 12);
  EXPECT_EQ(count->layer().cornerRadius, 6);
  for (const auto& frame : {icon, count}) {
    EXPECT_EQ(frame->layer().borderWidth, 1);
    EXPECT_EQ(frame->layer().borderColor, AppColor::green());
    EXPECT_TRUE(frame->clipsToBounds());
  }
  EXPECT_EQ(count->backgroundColor(), AppColor::white());
  EXPECT_NE(icon->backgroundColor(), AppColor::white());
  for (const auto& card : {manage->containerView.lock(), raise->containerView.lock()}) {
    ASSERT_TRUE(card);
    EXPECT_EQ(card->layer().shadowOpacity, 0.4F);
    EXPECT_EQ(card->layer().shadowRadius, 3);
  }
  // Unset closures: a tap does nothing.
  ASSERT_TRUE(buttonNamed(manage->contentView(), "btnOpenComplain")->tap());
  std::string ran;
  manage->actionOpenComplain = [&] { ran += "open "; };
  manage->actionAddComplain = [&] { ran += "add "; };
  raise->actionRaiseComplain = [&] { ran += "raise "; };
  ASSERT_TRUE(buttonNamed(manage->contentView(), "btnOpenComplain")->tap());
  ASSERT_TRUE(buttonNamed(manage->contentView(), "btnAddComplain")->tap());
  ASSERT_TRUE(buttonNamed(raise->contentView(), "btnRaiseComplain")->tap());
  EXPECT_EQ(ran, "open add raise ");
}

}  // namespace
}  // namespace screens_test
