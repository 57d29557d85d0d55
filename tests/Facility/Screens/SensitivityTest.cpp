#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/Screens/SensitivityVC.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/PickerView.h"
#include "tests/Facility/Screens/AccessScreensFixture.h"

namespace screens_test {
namespace {

class SensitivityTest : public AccessScreensFixture {
 protected:
  void TearDown() override {
    screen.reset();
    nav.reset();
    AccessScreensFixture::TearDown();
  }

  void open(std::optional<platform::Value> storedChoice) {
    if (storedChoice) (void)platform::UserDefaults::standard().setObject(*storedChoice, "sensitivity");
    connect();
    root = std::make_shared<uikit::ViewController>();
    nav = uikit::NavigationController::withRoot(root);
    delegate()->window()->setRootViewController(nav);
    pump();
    screen = make<SensitivityVC>(StoryboardName::user, "SensitivityVC");
    ASSERT_TRUE(screen);
    ASSERT_TRUE(nav->pushViewController(screen, false));
    pump();
  }

  struct Stores {
    std::optional<std::string> text;
    std::optional<std::int64_t> integer;
    std::int64_t engine;
    friend bool operator==(const Stores&, const Stores&) = default;
  };
  static Stores stores() {
    auto& d = platform::UserDefaults::standard();
    std::optional<std::int64_t> integer;
    if (d.objectForKey("com.tarnelo.ble.sensitivity")) integer = d.integerForKey("com.tarnelo.ble.sensitivity");
    return {UserDefaultsAccess::getString(UserDefaultsKey::sensitivity), integer, TarneloBLE::shared().sensitityLevel};
  }

  std::shared_ptr<uikit::ViewController> root;
  std::shared_ptr<uikit::NavigationController> nav;
  std::shared_ptr<SensitivityVC> screen;
};

TEST_F(SensitivityTest, LevelsAreTheirRawValuesInOrder) {
  EXPECT_EQ(SensitivityLevel::texts(), (std::array<std::string, 3>{"Low", "Medium", "High"}));
  EXPECT_EQ(SensitivityLevel::initRawValue("High"), SensitivityLevel(SensitivityLevel::High));
  EXPECT_FALSE(SensitivityLevel::initRawValue("high"));
  EXPECT_EQ(SensitivityLevel(SensitivityLevel::Medium).storedText(), "2");
}

TEST_F(SensitivityTest, StoredChoiceDecidesTheFieldAndWhatSavingWithoutAPickStores) {
  struct Case {
    std::string name;
    std::optional<platform::Value> stored;
    std::string field;
    std::string saved;
  };
  const std::vector<Case> cases = {
      {"first use", std::nullopt, "Low", "1"},
      {"low", platform::Value("1"), "Low", "1"},
      {"medium", platform::Value("2"), "Medium", "2"},
      {"high", platform::Value("3"), "High", "3"},
      {"unknown text", platform::Value("5"), "Low", "1"},
      {"a number, not a text", platform::Value(std::int64_t{3}), "Low", "1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UserDefaultsAccess::remove("sensitivity");
    UserDefaultsAccess::remove("com.tarnelo.ble.sensitivity");
    TarneloBLE::shared().sensitityLevel = 2;
    open(c.stored);
    EXPECT_EQ(screen->title(), "Settings");
    auto field = screen->txtBuilding();
    EXPECT_EQ(field->text(), c.field);
    auto input = TextFieldInput::of(field);
    auto picker = input->pickerView();
    ASSERT_TRUE(picker);
    // The wheel opens on the shown level.
    field->becomeFirstResponder();
    EXPECT_EQ(picker->selectedRowInComponent(0), static_cast<long>(c.field == "Low" ? 0 : c.field == "Medium" ? 1 : 2));
    field->resignFirstResponder();
    ASSERT_TRUE(screen->btnSave()->tap());
    const auto n = std::stoll(c.saved);
    EXPECT_EQ(stores(), (Stores{c.saved, n, n}));
    runFor(1.0);
    EXPECT_EQ(nav->topViewController(), root) << "popped after the success mark";
    EXPECT_EQ(AppToastAlert::messageLabel()->text(), std::optional<std::string>("Bluetooth Sensitivity has been updated!"));
    delegate()->window()->setRootViewController(nullptr);
    pump();
  }
}

TEST_F(SensitivityTest, PickingHighThenSavingStoresThreeEverywhere) {
  open(platform::Value("1"));
  auto input = TextFieldInput::of(screen->txtBuilding());
  input->pickerViewDidSelectRowInComponent(*input->pickerView(), 2, 0);
  input->btnDoneTapped();
  pump();
  EXPECT_EQ(screen->level, SensitivityLevel(SensitivityLevel::High));
  ASSERT_TRUE(screen->btnSave()->tap());
  // Nothing leaves the screen before the mark has gone.
  runFor(0.1);
  EXPECT_EQ(nav->topViewController(), screen);
  runFor(1.0);
  EXPECT_EQ(stores(), (Stores{"3", 3, 3}));
  EXPECT_EQ(nav->topViewController(), root);
}

TEST_F(SensitivityTest, GoingBackWithoutSavingStoresNothing) {
  open(platform::Value("2"));
  TarneloBLE::shared().sensitityLevel = 2;
  auto input = TextFieldInput::of(screen->txtBuilding());
  input->pickerViewDidSelectRowInComponent(*input->pickerView(), 2, 0);
  input->btnDoneTapped();
  const auto before = storedDefaults();
  nav->popViewController(false);
  runFor(0.5);
  EXPECT_EQ(storedDefaults(), before);
  EXPECT_EQ(TarneloBLE::shared().sensitityLevel, 2);
}

}  // namespace
}  // namespace screens_test
