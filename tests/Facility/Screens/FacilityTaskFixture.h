// The facility task list and its closure popup against the test double:
// a signed-in app in 2026 with a plain root screen, scripted list, count,
// details and close replies, and readers of what the screens show.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Facility/Network/NetworkReachability.h"
#include "Facility/Screens/ComplainClosurePopupVC.h"
#include "Facility/Screens/ComplainResolverJSONData.h"
#include "Facility/Screens/FacilityTaskDetailCell.h"
#include "Facility/Screens/FacilityTaskListVC.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/AppToastAlert.h"
#include "tests/Facility/Screens/ComplaintFilterFixture.h"

namespace screens_test {

class FacilityTaskFixture : public ComplaintFilterFixture {
 protected:
  using Reply = testsupport::FacilityTestServer::Reply;
  using Form = std::vector<std::pair<std::string, std::string>>;
  using Rows = std::vector<std::string>;
  static constexpr const char* kListPath = "/api/Complain/CloseComplainList";
  static constexpr const char* kCountPath = "/api/Complain/MyTaskCount";
  static constexpr const char* kGetPath = "/api/Complain/CloseComplainGet";
  static constexpr const char* kSavePath = "/api/Complain/CloseComplainSave";
  static constexpr const char* kTwoTasks =
      R"({"IsSuccess":true,"TodayTotal":7,"OverdueTotal":8,"AllTotal":9,"lstComplainList":[)"
      R"({"ID":"41","Tenant":"Acme","ClientName":"Ravi","ComplainDesc":"Lift stuck","ComplainFor":"Building",)"
      R"("ReportingTime":"10:30 AM","Status":"Open"},)"
      R"({"ID":"42","Tenant":"Globex","ClientName":"Meera","ComplainDesc":"Dark","ComplainFor":"Parking"}]})";
  static constexpr const char* kOneTask =
      R"({"IsSuccess":true,"TodayTotal":1,"OverdueTotal":0,"AllTotal":5,"lstComplainList":[)"
      R"({"ID":"43","Tenant":"Initech","ClientName":"Ann","ComplainDesc":"Leak","ComplainFor":"Auditorium",)"
      R"("ReportingTime":"09:00 AM"}]})";
  static constexpr const char* kCounts = R"({"IsSuccess":true,"TodayTotal":2,"AllTotal":12,"OverdueTotal":3})";

  void SetUp() override {
    ComplaintFilterFixture::SetUp();
    server_.setJsonReply(kListPath, kTwoTasks);
    server_.setJsonReply(kCountPath, kCounts);
    settleToast();
  }
  void TearDown() override {
    NetworkReachability::shared().isNetworkReachable = true;
    screen.reset();
    ComplaintFilterFixture::TearDown();
  }

  // Created and pushed as the dashboard does; the requests of the first
  // reload are not waited for.
  void pushList(ComplainTaskCategory category, std::optional<MDLMyTaskCount> counts = std::nullopt) {
    screen = std::dynamic_pointer_cast<FacilityTaskListVC>(
        Storyboards::instantiateScreen(StoryboardName::facilityAdmin, "FacilityTaskListVC"));
    ASSERT_TRUE(screen);
    screen->taskStatus = category;
    screen->objMyTaskCount = std::move(counts);
    nav->pushViewController(screen, false);
  }
  // Pushed, both first replies in and shown.
  void openList(ComplainTaskCategory category = ComplainTaskCategory::all) {
    pushList(category);
    ASSERT_TRUE(waitForRequests(kListPath, 1));
    ASSERT_TRUE(waitForRequests(kCountPath, 1));
    ASSERT_TRUE(runUntil([&] { return screen->dispatchGroup.count() == 0; }));
    runFor(0.5);
  }

  std::vector<Form> formsOf(const std::string& path) {
    std::vector<Form> forms;
    for (const auto& r : server_.requests()) {
      if (r.path == path) forms.push_back(r.form());
    }
    return forms;
  }
  bool waitForRequests(const std::string& path, std::size_t n) {
    return runUntil([&] { return formsOf(path).size() >= n; });
  }

  // "title | time | area | client | details" per row, status icon hidden or not.
  Rows shownRows() {
    Rows rows;
    auto table = screen->tblTaskList.lock();
    for (long i = 0; table && i < table->numberOfRowsInSection(0); ++i) {
      auto cell = std::dynamic_pointer_cast<FacilityTaskDetailCell>(
          screen->tableViewCellForRowAtIndexPath(*table, uikit::IndexPath::forRow(i, 0)));
      if (!cell) {
        rows.push_back("<no cell>");
        continue;
      }
      const auto text = [](const std::weak_ptr<uikit::Label>& l) {
        auto label = l.lock();
        return label ? label->text().value_or("<nil>") : "<none>";
      };
      auto status = cell->imgViewTaskStatus.lock();
      rows.push_back(text(cell->lblTaskTitle) + " | " + text(cell->lblReportingTime) + " | " +
                     text(cell->lblIssueArea) + " | " + text(cell->lblClientName) + " | " +
                     text(cell->lblIssueDetails) + (status && status->isHidden() ? "" : " | status shown"));
    }
    return rows;
  }
  // The three count labels: today, all, overdue.
  Rows counts() {
    Rows texts;
    for (const auto& outlet : {screen->lblTodaysTaskCount, screen->lblAllTaskCount, screen->lblOverdueTaskCount}) {
      auto label = outlet.lock();
      texts.push_back(label ? label->text().value_or("<nil>") : "<none>");
    }
    return texts;
  }
  // "empty" (image and label shown, table hidden), "list" or "mixed".
  std::string emptyState() {
    auto image = screen->imgNoTask.lock();
    auto label = screen->lblNoTask.lock();
    auto table = screen->tblTaskList.lock();
    const bool empty = !image->isHidden() && !label->isHidden() && table->isHidden() && image->image() &&
                       image->image()->name() == FacilityTaskListVC::kNoTaskImage;
    if (empty) return "empty";
    if (image->isHidden() && label->isHidden() && !table->isHidden()) return "list";
    return "mixed";
  }
  std::string indicator() { return filterIndicator(screen->imgFilterIcon.lock(), screen->lblFilterTitle.lock()); }

  // While the double holds a reply the queues never settle, so pump() and
  // runFor() would wait out their limit: this moves time and runs only what
  // the main loop has due.
  void stepHeld(double seconds) {
    clock_->advance(seconds);
    (void)platform::RunLoop::main().runUntilIdle();
  }

  // A resolver tree with options ticked by {group, option}.
  static FilterData resolverTree(std::initializer_list<std::pair<std::size_t, std::size_t>> ticks);

  std::shared_ptr<FacilityTaskListVC> screen;
};

inline FilterData FacilityTaskFixture::resolverTree(std::initializer_list<std::pair<std::size_t, std::size_t>> ticks) {
  auto data = ComplainResolverJSONData::shared().getFilterData(ComplainerType::resolver).value();
  for (const auto& [g, o] : ticks) (*data.places)[g].subPlaces->at(o).isSelected = 1;
  return data;
}

}  // namespace screens_test
