#include "Facility/Screens/FacilityTaskListVC.h"

#include <string>

#include "Platform/UIKit/Label.h"
#include "Platform/UIKit/Storyboard.h"

namespace {

std::string count(const std::optional<std::int64_t>& value) { return value ? std::to_string(*value) : "-"; }

}  // namespace

void FacilityTaskListVC::viewDidLoad() {
  PlaceholderScreen::viewDidLoad();
  auto status = uikit::View::make<uikit::Label>(uikit::Rect(20, 120, 340, 24));
  status->setAccessibilityIdentifier("taskStatus");
  status->setText(std::string("Tasks: ") + complainTaskCategoryName(taskStatus));
  auto counts = uikit::View::make<uikit::Label>(uikit::Rect(20, 150, 340, 24));
  counts->setAccessibilityIdentifier("objMyTaskCount");
  counts->setText(objMyTaskCount ? "Today " + count(objMyTaskCount->todayTotal) + ", all " +
                                       count(objMyTaskCount->allTotal) + ", overdue " +
                                       count(objMyTaskCount->overdueTotal)
                                 : std::string("No counts"));
  view()->addSubview(status);
  view()->addSubview(counts);
}

void FacilityTaskListVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "FacilityTaskListVC", [] {
    uikit::StoryboardSceneContents contents;
    contents.controller = std::make_shared<FacilityTaskListVC>();
    return contents;
  });
}
