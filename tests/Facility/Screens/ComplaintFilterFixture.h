// A signed-in app with a navigation stack whose root is a plain screen, for
// the complaint filter screens and the lists that push them. The manual
// clock stands in 2026 unless a test moves it.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Facility/Models/MDLFilterList.h"
#include "Facility/Screens/ApplyFilterDelegate.h"
#include "Facility/Screens/ComplaintFilterScreen.h"
#include "Facility/Screens/LeftSideTableViewCell.h"
#include "Facility/Screens/RightSideTableViewCell.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "Platform/Foundation/Locale.h"
#include "Platform/Foundation/TimeZone.h"
#include "Platform/UIKit/NavigationController.h"
#include "tests/Facility/Screens/ScreensFixture.h"

namespace screens_test {

// 15 March 2026, noon UTC.
constexpr double kMarch2026 = 1773576000.0;

// What a delegate was handed, and whether the screen was still on the stack.
struct FilterCall {
  std::optional<FilterData> data;
  bool cleared = false;
  bool screenOnTop = false;
};

class RecordingFilterDelegate : public ApplyFilterDelegate {
 public:
  std::vector<FilterCall> calls;
  std::function<bool()> screenOnTop = [] { return false; };
  void applyFilter(const std::optional<FilterData>& filteredData, bool isClearFilterButtonTapped) override {
    calls.push_back({filteredData, isClearFilterButtonTapped, screenOnTop()});
  }
};

class ComplaintFilterFixture : public ScreensFixture {
 protected:
  void SetUp() override {
    ScreensFixture::SetUp();
    platform::Locale::setCurrentOverride(platform::Locale("en_US"));
    platform::TimeZone::setLocalOverride(platform::TimeZone::gmt());
    clock_->setNow(kMarch2026);
    signInAndConnect();
    nav = uikit::NavigationController::withRoot(std::make_shared<uikit::ViewController>());
    delegate()->window()->setRootViewController(nav);
    pump();
    server_.clearRequests();
  }
  void TearDown() override {
    nav.reset();
    ScreensFixture::TearDown();
    platform::Locale::setCurrentOverride(std::nullopt);
    platform::TimeZone::setLocalOverride(std::nullopt);
  }


 public:
  // A filter row as shown: name, its look ("current": green with white
  // text, "plain": white with grey text, else "mixed"), the count when shown.
  struct LeftRow {
    std::string name;
    std::string look;
    std::string count;
    friend bool operator==(const LeftRow&, const LeftRow&) = default;
  };
  friend std::ostream& operator<<(std::ostream& os, const LeftRow& r) {
    return os << "{" << r.name << " " << r.look << " " << r.count << "}";
  }

 protected:
  static std::vector<LeftRow> leftRows(ComplaintFilterScreen& screen) {
    std::vector<LeftRow> rows;
    auto table = screen.tblLeftSide.lock();
    for (long i = 0; table && i < table->numberOfRowsInSection(0); ++i) {
      auto cell = std::dynamic_pointer_cast<LeftSideTableViewCell>(
          table->cellForRowAtIndexPath(uikit::IndexPath::forRow(i, 0)));
      if (!cell) {
        rows.push_back({"<no cell>", "", ""});
        continue;
      }
      auto name = cell->lblName.lock();
      auto count = cell->lblCount.lock();
      const auto background = cell->backgroundColor();
      std::string look = "mixed";
      if (name && background == std::optional<uikit::Color>(AppColor::green()) &&
          name->textColor() == AppColor::white()) {
        look = "current";
      } else if (name && background == std::optional<uikit::Color>(AppColor::white()) &&
                 name->textColor() == AppColor::darkGray()) {
        look = "plain";
      }
      rows.push_back({name ? name->text().value_or("") : "<no label>", look,
                      count && !count->isHidden() ? count->text().value_or("") : ""});
    }
    return rows;
  }
  // Option rows as "name:Checked" / "name:Unchecked".
  static std::vector<std::string> rightRows(ComplaintFilterScreen& screen) {
    std::vector<std::string> rows;
    auto table = screen.tblRightSide.lock();
    for (long i = 0; table && i < table->numberOfRowsInSection(0); ++i) {
      // Straight from the data source: most month rows lie below the screen.
      auto cell = std::dynamic_pointer_cast<RightSideTableViewCell>(
          screen.tableViewCellForRowAtIndexPath(*table, uikit::IndexPath::forRow(i, 0)));
      auto name = cell ? cell->lblName.lock() : nullptr;
      auto tick = cell ? cell->imgTickmark.lock() : nullptr;
      const std::string image = tick && tick->image() ? tick->image()->name() : "<none>";
      rows.push_back((name ? name->text().value_or("") : "<no label>") + ":" +
                     (image == "CheckedBox" ? "Checked" : image == "UncheckedBox" ? "Unchecked" : image));
    }
    return rows;
  }
  static void tapLeft(ComplaintFilterScreen& screen, long row) {
    screen.tableViewDidSelectRowAtIndexPath(*screen.tblLeftSide.lock(), uikit::IndexPath::forRow(row, 0));
  }
  static void tapRight(ComplaintFilterScreen& screen, long row) {
    screen.tableViewDidSelectRowAtIndexPath(*screen.tblRightSide.lock(), uikit::IndexPath::forRow(row, 0));
  }
  // "enabled 1.0" / "disabled 0.5".
  static std::string applyState(ComplaintFilterScreen& screen) {
    auto button = screen.btnApply.lock();
    if (!button) return "<none>";
    char alpha[16];
    std::snprintf(alpha, sizeof alpha, "%.1f", button->alpha());
    return std::string(button->isEnabled() ? "enabled " : "disabled ") + alpha;
  }
  static bool clearAllShown(ComplaintFilterScreen& screen) {
    auto item = screen.navigationItem().rightBarButtonItem();
    auto button = item ? std::dynamic_pointer_cast<uikit::Button>(item->customView) : nullptr;
    return button && button->currentTitle() == std::optional<std::string>("Clear All");
  }
  // Taps the "Clear All" item as a person would.
  static bool tapClearAll(ComplaintFilterScreen& screen) {
    auto item = screen.navigationItem().rightBarButtonItem();
    auto button = item ? std::dynamic_pointer_cast<uikit::Button>(item->customView) : nullptr;
    return button && button->tap();
  }
  // The indicator of a list's filter button: "Filter gray 2 grayFilter" or
  // "Filtered blue 9 blueFilter".
  static std::string filterIndicator(const std::shared_ptr<uikit::ImageView>& icon,
                                     const std::shared_ptr<uikit::Label>& title) {
    if (!title) return "<no title>";
    const std::string image = icon && icon->image() ? icon->image()->name() : "<none>";
    const std::string colour = title->textColor() == AppColor::darkBlue()   ? "blue"
                               : title->textColor() == AppColor::darkGray() ? "gray"
                                                                            : "other";
    return title->text().value_or("") + " " + colour + " " + std::to_string(title->tag()) + " " + image;
  }
  // The toast's text while one is on screen.
  static std::optional<std::string> toastOnScreen() {
    if (!AppToastAlert::containerView()->superview()) return std::nullopt;
    return AppToastAlert::messageLabel()->text().value_or("");
  }
  // Lets a toast still on screen go.
  void settleToast() { runFor(AppToastAlert::kVisibleDuration + 2 * AppToastAlert::kFadeDuration + 0.1); }
  static bool tapBack(ComplaintFilterScreen& screen) {
    auto item = screen.navigationItem().leftBarButtonItem();
    auto button = item ? std::dynamic_pointer_cast<uikit::Button>(item->customView) : nullptr;
    return button && button->tap();
  }

  std::shared_ptr<uikit::NavigationController> nav;
};

}  // namespace screens_test
