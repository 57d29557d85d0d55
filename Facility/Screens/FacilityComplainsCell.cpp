#include "Facility/Screens/FacilityComplainsCell.h"

#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/UIKit/Nib.h"

namespace {

void run(const std::function<void()>& action) {
  if (action) action();
}

}  // namespace

void FacilityComplainsCell::actionToday() { run(actionTodayTap); }
void FacilityComplainsCell::actionAllTask() { run(actionAllTaskTap); }
void FacilityComplainsCell::actionOverdue() { run(actionOverdueTap); }

void FacilityComplainsCell::registerNib() {
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    constexpr double kWidth = 350;
    auto cell = std::make_shared<FacilityComplainsCell>();
    cell->setFrame(uikit::Rect(0, 0, kWidth + 20, kHeight));
    cell->contentView()->setFrame(cell->bounds());
    auto container = uikit::View::make(uikit::Rect(10, 5, kWidth, kHeight - 10));
    cell->contentView()->addSubview(container);
    auto title = uikit::View::make<uikit::Label>(uikit::Rect(10, 5, kWidth - 20, 24));
    title->setText("My Tasks");
    container->addSubview(title);
    std::weak_ptr<FacilityComplainsCell> weak = cell;
    uikit::NibContents contents;
    contents.topLevelObjects.push_back(cell);
    contents.outlets.push_back({"containerView", [weak, container] {
                                  auto c = weak.lock();
                                  if (!c) return;
                                  c->containerView = container;
                                  ViewStyle::setShadow(*container, AppColor::black(), 1, 2, 0.4F, 3);
                                }});
    contents.outlets.push_back({"lblComplainTitle", [weak, title] { if (auto c = weak.lock()) c->lblComplainTitle = title; }});
    struct Column {
      const char* caption;
      const char* titleOutlet;
      const char* valueOutlet;
      const char* buttonId;
      std::weak_ptr<uikit::Label> FacilityComplainsCell::*titleField;
      std::weak_ptr<uikit::Label> FacilityComplainsCell::*valueField;
      void (FacilityComplainsCell::*action)();
    };
    const Column columns[] = {
        {"Today", "lblTodayTitle", "lblTodayValue", "btnToday", &FacilityComplainsCell::lblTodayTitle,
         &FacilityComplainsCell::lblTodayValue, &FacilityComplainsCell::actionToday},
        {"All Task", "lblAllTaskTitle", "lblAllTaskValue", "btnAllTask", &FacilityComplainsCell::lblAllTaskTitle,
         &FacilityComplainsCell::lblAllTaskValue, &FacilityComplainsCell::actionAllTask},
        {"Overdue", "lblOverdueTitle", "lblOverdueValue", "btnOverdue", &FacilityComplainsCell::lblOverdueTitle,
         &FacilityComplainsCell::lblOverdueValue, &FacilityComplainsCell::actionOverdue},
    };
    const double width = kWidth / 3;
    for (int i = 0; i < 3; ++i) {
      const Column column = columns[i];
      auto caption = uikit::View::make<uikit::Label>(uikit::Rect(i * width, 40, width, 24));
      caption->setText(column.caption);
      auto value = uikit::View::make<uikit::Label>(uikit::Rect(i * width, 70, width, 30));
      value->setAccessibilityIdentifier(column.valueOutlet);
      auto button = uikit::Button::withType(uikit::ButtonType::kCustom);
      button->setFrame(uikit::Rect(i * width, 40, width, 90));
      button->setAccessibilityIdentifier(column.buttonId);
      container->addSubview(caption);
      container->addSubview(value);
      container->addSubview(button);
      auto action = column.action;
      button->addTarget(cell, [weak, action](uikit::Control&) {
        if (auto c = weak.lock()) ((*c).*action)();
      }, uikit::kControlEventTouchUpInside);
      auto titleField = column.titleField;
      auto valueField = column.valueField;
      contents.outlets.push_back({column.titleOutlet, [weak, caption, titleField] {
                                    if (auto c = weak.lock()) (*c).*titleField = caption;
                                  }});
      contents.outlets.push_back({column.valueOutlet, [weak, value, valueField] {
                                    if (auto c = weak.lock()) (*c).*valueField = value;
                                  }});
    }
    return contents;
  });
}
