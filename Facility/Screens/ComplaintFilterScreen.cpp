#include "Facility/Screens/ComplaintFilterScreen.h"

#include <string>

#include "Facility/Screens/ComplainResolverJSONData.h"
#include "Facility/Screens/LeftSideTableViewCell.h"
#include "Facility/Screens/RightSideTableViewCell.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/TapActions.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/BarButtonItem.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Storyboard.h"

namespace {

constexpr const char* kMediumFont = "Gotham-Medium";
constexpr const char* kCheckedImage = "CheckedBox";
constexpr const char* kUncheckedImage = "UncheckedBox";
constexpr const char* kBackImage = "close-white-fill";

bool isMarked(const std::optional<std::int64_t>& flag) { return flag && *flag == 1; }

std::shared_ptr<uikit::Button> barButton(std::optional<std::string> title, const uikit::ImagePtr& image,
                                         std::function<void()> action) {
  auto button = uikit::Button::withType(uikit::ButtonType::kSystem);
  if (image) button->setImage(image->withRenderingMode(uikit::ImageRenderingMode::kAlwaysOriginal));
  button->setTitle(std::move(title));
  // Without the font the title keeps the label's default one.
  if (auto font = uikit::Font::named(kMediumFont, 15)) button->titleLabel()->setFont(*font);
  TapActions::addAction(button, [action = std::move(action)](uikit::Button&) { action(); });
  button->sizeToFit();
  return button;
}

}  // namespace

std::vector<Places>* ComplaintFilterScreen::groups() {
  if (!filteredData || !filteredData->places) return nullptr;
  return &*filteredData->places;
}

Places* ComplaintFilterScreen::currentGroup() {
  auto* all = groups();
  if (!all) return nullptr;
  for (auto& group : *all) {
    if (isMarked(group.isSelected)) return &group;
  }
  return nullptr;
}

void ComplaintFilterScreen::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  std::weak_ptr<ComplaintFilterScreen> weak = sharedAs<ComplaintFilterScreen>();
  auto back = barButton(std::string(kBackTitle), uikit::Image::named(kBackImage), [weak] {
    if (auto self = weak.lock()) self->leftButtonAction();
  });
  navigationItem().setLeftBarButtonItem(uikit::BarButtonItem::withCustomView(back));
  for (const auto& table : {tblLeftSide.lock(), tblRightSide.lock()}) {
    if (!table) continue;
    table->setDelegate(sharedAs<ComplaintFilterScreen>());
    table->setDataSource(sharedAs<ComplaintFilterScreen>());
    table->setTableFooterView(uikit::View::make(uikit::Rect(0, 0, 0, 0)));
  }
  platform::RunLoop::main().asyncAfter(kDelayedReloadSeconds, [weak] {
    auto self = weak.lock();
    if (!self) return;
    if (auto* all = self->groups()) {
      for (std::size_t i = 0; i < all->size(); ++i) {
        platform::LogDebug("index: " + std::to_string(i) + " " + (*all)[i].name.value_or(""));
      }
    }
    self->reloadLeftTable();
    self->reloadRightTable();
  });
}

void ComplaintFilterScreen::viewWillAppear(bool animated) {
  uikit::ViewController::viewWillAppear(animated);
  if (filteredData) {
    refreshPresentData();
    return;
  }
  auto built = ComplainResolverJSONData::shared().getFilterData(type_);
  if (!built) return;
  filteredData = std::move(built);
  reloadLeftTable();
  reloadRightTable();
  showHideClearAllButton();
  updateApplyButtonState();
}

long ComplaintFilterScreen::tableViewNumberOfRowsInSection(uikit::TableView& tableView, long section) {
  (void)section;
  if (&tableView == tblLeftSide.lock().get()) {
    auto* all = groups();
    return all ? static_cast<long>(all->size()) : 0;
  }
  auto* current = currentGroup();
  return current && current->subPlaces ? static_cast<long>(current->subPlaces->size()) : 0;
}

std::shared_ptr<uikit::TableViewCell> ComplaintFilterScreen::tableViewCellForRowAtIndexPath(
    uikit::TableView& tableView, const uikit::IndexPath& indexPath) {
  const auto row = static_cast<std::size_t>(indexPath.row < 0 ? 0 : indexPath.row);
  if (&tableView == tblLeftSide.lock().get()) {
    auto cell = std::dynamic_pointer_cast<LeftSideTableViewCell>(
        tableView.dequeueReusableCellWithIdentifier(LeftSideTableViewCell::kReuseIdentifier, indexPath));
    auto* all = groups();
    if (!cell || !all || row >= all->size()) return cell ? cell : std::make_shared<uikit::TableViewCell>();
    const Places& group = (*all)[row];
    auto name = cell->lblName.lock();
    auto count = cell->lblCount.lock();
    if (name) name->setText(group.name.value_or(""));
    if (!isMarked(group.isSelected)) {
      if (count) count->setHidden(true);
      cell->setBackgroundColor(AppColor::white());
      if (name) name->setTextColor(AppColor::darkGray());
      return cell;
    }
    long ticked = 0;
    if (group.subPlaces) {
      for (const auto& option : *group.subPlaces) ticked += isMarked(option.isSelected) ? 1 : 0;
    }
    if (count) {
      count->setHidden(ticked < 1);
      if (ticked >= 1) count->setText(std::to_string(ticked));
    }
    cell->setBackgroundColor(AppColor::green());
    if (name) name->setTextColor(AppColor::white());
    return cell;
  }
  auto cell = std::dynamic_pointer_cast<RightSideTableViewCell>(
      tableView.dequeueReusableCellWithIdentifier(RightSideTableViewCell::kReuseIdentifier, indexPath));
  auto* current = currentGroup();
  if (!cell || !current || !current->subPlaces || row >= current->subPlaces->size()) {
    return cell ? cell : std::make_shared<uikit::TableViewCell>();
  }
  const SubPlaces& option = (*current->subPlaces)[row];
  if (auto tick = cell->imgTickmark.lock()) {
    tick->setHidden(false);
    tick->setImage(uikit::Image::named(isMarked(option.isSelected) ? kCheckedImage : kUncheckedImage));
  }
  if (auto name = cell->lblName.lock()) name->setText(option.name.value_or(""));
  return cell;
}

double ComplaintFilterScreen::tableViewHeightForRowAtIndexPath(uikit::TableView& tableView,
                                                               const uikit::IndexPath& indexPath) {
  (void)tableView, (void)indexPath;
  return uikit::TableView::kAutomaticDimension;
}

void ComplaintFilterScreen::tableViewDidSelectRowAtIndexPath(uikit::TableView& tableView,
                                                             const uikit::IndexPath& indexPath) {
  addClearAllButton();
  isClearFilterButtonTapped = false;
  const auto row = static_cast<std::size_t>(indexPath.row < 0 ? 0 : indexPath.row);
  if (&tableView == tblLeftSide.lock().get()) {
    if (auto* all = groups(); all && row < all->size()) {
      for (auto& group : *all) group.isSelected = 0;
      (*all)[row].isSelected = 1;
    }
  } else if (auto* current = currentGroup(); current && current->subPlaces && row < current->subPlaces->size()) {
    auto& option = (*current->subPlaces)[row];
    option.isSelected = isMarked(option.isSelected) ? 0 : 1;
  }
  reloadLeftTable();
  reloadRightTable();
  updateApplyButtonState();
}

void ComplaintFilterScreen::leftButtonAction() {
  if (auto navigation = navigationController()) navigation->popViewController(true);
}

void ComplaintFilterScreen::rightButtonAction() { clearAllFilters(); }

void ComplaintFilterScreen::clearAllFilters() {
  if (auto* all = groups()) {
    for (auto& group : *all) {
      group.isSelected = 0;
      if (!group.subPlaces) continue;
      for (auto& option : *group.subPlaces) option.isSelected = 0;
    }
    if (!all->empty()) all->front().isSelected = 1;
  }
  isClearFilterButtonTapped = true;
  if (applyFilterDelegate) applyFilterDelegate->applyFilter(std::nullopt, true);
  reloadLeftTable();
  reloadRightTable();
  updateApplyButtonState();
}

void ComplaintFilterScreen::actionFilterApply() {
  // Keeps the screen alive through the delegate call that follows the pop.
  auto self = sharedAs<ComplaintFilterScreen>();
  if (auto navigation = navigationController()) navigation->popViewController(true);
  if (applyFilterDelegate) applyFilterDelegate->applyFilter(filteredData, isClearFilterButtonTapped);
}

void ComplaintFilterScreen::updateApplyButtonState() {
  auto* current = currentGroup();
  if (!current) return;
  bool anyTicked = false;
  if (current->subPlaces) {
    for (const auto& option : *current->subPlaces) anyTicked = anyTicked || isMarked(option.isSelected);
  }
  auto button = btnApply.lock();
  if (!button) return;
  button->setAlpha(anyTicked ? 1.0 : 0.5);
  button->setEnabled(anyTicked);
}

void ComplaintFilterScreen::showHideClearAllButton() {
  bool marked = false;
  if (auto* all = groups()) {
    for (const auto& group : *all) {
      marked = marked || isMarked(group.isSelected);
      if (!group.subPlaces) continue;
      for (const auto& option : *group.subPlaces) marked = marked || isMarked(option.isSelected);
    }
  }
  if (!marked) {
    navigationItem().setRightBarButtonItem(nullptr);
    return;
  }
  if (!navigationItem().rightBarButtonItem()) addClearAllButton();
}

void ComplaintFilterScreen::addClearAllButton() {
  std::weak_ptr<ComplaintFilterScreen> weak = sharedAs<ComplaintFilterScreen>();
  auto clear = barButton(std::string(kClearAllTitle), nullptr, [weak] {
    if (auto self = weak.lock()) self->rightButtonAction();
  });
  navigationItem().setRightBarButtonItem(uikit::BarButtonItem::withCustomView(clear));
}

void ComplaintFilterScreen::reloadLater(const std::weak_ptr<uikit::TableView>& table) {
  platform::RunLoop::main().async([table] {
    if (auto t = table.lock()) t->reloadData();
  });
}

void ComplaintFilterScreen::reloadLeftTable() { reloadLater(tblLeftSide); }
void ComplaintFilterScreen::reloadRightTable() { reloadLater(tblRightSide); }

void ComplaintFilterScreen::registerImages() {
  uikit::Image::registerNamed(kCheckedImage, uikit::Image::filled({20, 20}, AppColor::green()));
  uikit::Image::registerNamed(kUncheckedImage, uikit::Image::filled({20, 20}, AppColor::white()));
  uikit::Image::registerNamed(kBackImage, uikit::Image::filled({20, 20}, AppColor::white()));
}

void ComplaintFilterScreen::registerFilterScene(const char* storyboard, const char* identifier,
                                                std::function<std::shared_ptr<ComplaintFilterScreen>()> make) {
  uikit::Storyboard::registerScene(storyboard, identifier, [make] {
    uikit::StoryboardSceneContents contents;
    auto controller = make();
    const uikit::Rect screen = uikit::Device::screenBounds();
    const double width = screen.size.width;
    const double height = screen.size.height;
    auto view = uikit::View::make(screen);
    auto left = uikit::View::make<uikit::TableView>(uikit::Rect(0, 0, width * 0.4, height - 60),
                                                    uikit::TableViewStyle::kPlain);
    left->setAccessibilityIdentifier("tblLeftSide");
    left->registerClass(LeftSideTableViewCell::kReuseIdentifier, &LeftSideTableViewCell::instantiatePrototype);
    auto right = uikit::View::make<uikit::TableView>(uikit::Rect(width * 0.4, 0, width * 0.6, height - 60),
                                                     uikit::TableViewStyle::kPlain);
    right->setAccessibilityIdentifier("tblRightSide");
    right->registerClass(RightSideTableViewCell::kReuseIdentifier, &RightSideTableViewCell::instantiatePrototype);
    auto apply = uikit::Button::withType(uikit::ButtonType::kSystem);
    apply->setFrame(uikit::Rect(20, height - 55, width - 40, 45));
    apply->setTitle(std::string("Apply"));
    apply->setAccessibilityIdentifier("btnApply");
    // Laid out usable: a tree handed in comes from an earlier Apply.
    apply->setAlpha(1.0);
    apply->setEnabled(true);
    view->addSubview(left);
    view->addSubview(right);
    view->addSubview(apply);
    std::weak_ptr<ComplaintFilterScreen> weak = controller;
    TapActions::addAction(apply, [weak](uikit::Button&) {
      if (auto self = weak.lock()) self->actionFilterApply();
    });
    contents.controller = controller;
    contents.view = view;
    contents.outlets = {
        {"tblLeftSide", [weak, left] { if (auto c = weak.lock()) c->tblLeftSide = left; }},
        {"tblRightSide", [weak, right] { if (auto c = weak.lock()) c->tblRightSide = right; }},
        {"btnApply", [weak, apply] { if (auto c = weak.lock()) c->btnApply = apply; }},
    };
    return contents;
  });
}
