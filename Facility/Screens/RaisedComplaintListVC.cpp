#include "Facility/Screens/RaisedComplaintListVC.h"

#include <cctype>
#include <string>

#include "Facility/Screens/ComplainRaiserFilterVC.h"
#include "Facility/Screens/FilterIndicator.h"
#include "Facility/Screens/FilterTicks.h"
#include "Facility/Screens/RaisedComplaintCell.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Services/ComplainWebServicesManager.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/AppToastAlert.h"
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

constexpr const char* kBackImage = "ic_back-white";

// No other letter lowercases to an ASCII one of "open", so ASCII folding is
// the whole test.
bool isOpen(const std::optional<std::string>& status) {
  if (!status || status->size() != 4) return false;
  std::string folded = *status;
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded == "open";
}

void setIndicator(RaisedComplaintListVC& screen, bool filtered) {
  FilterIndicator::show(screen.imgFilterIcon.lock(), screen.lblFilterTitle.lock(), filtered);
}

}  // namespace

platform::Value::Dictionary RaisedComplaintListVC::complainListBody(const std::optional<FilterData>& filter) {
  std::string months, statuses, places;
  if (filter && filter->places) {
    const auto& groups = *filter->places;
    if (groups.size() > 0) months = FilterTicks::months(groups[0]);
    if (groups.size() > 1) statuses = FilterTicks::ids(groups[1]);
    if (groups.size() > 2) places = FilterTicks::ids(groups[2]);
  }
  return {{"MonthFilter", months}, {"StatusFilter", statuses}, {"ComplainFilter", places}};
}

void RaisedComplaintListVC::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  auto self = sharedAs<RaisedComplaintListVC>();
  if (auto table = tblRaisedComplaintList.lock()) {
    table->setDelegate(self);
    table->setDataSource(self);
    table->setTableFooterView(uikit::View::make(uikit::Rect(0, 0, 0, 0)));
    table->rowHeight = uikit::TableView::kAutomaticDimension;
    table->estimatedRowHeight = kEstimatedRowHeight;
  }
  std::weak_ptr<RaisedComplaintListVC> weak = self;
  navigationItem().setLeftBarButtonItem(uikit::BarButtonItem::withImage(
      uikit::Image::named(kBackImage), uikit::BarButtonItemStyle::kPlain, [weak](uikit::BarButtonItem&) {
        if (auto screen = weak.lock()) screen->backButtonTapped();
      }));
}

void RaisedComplaintListVC::viewWillAppear(bool animated) {
  uikit::ViewController::viewWillAppear(animated);
  // The filter the indicator shows, so the rows always match it.
  fetchComplaintList(filteredData, [] {});
}

void RaisedComplaintListVC::viewDidLayoutSubviews() {
  uikit::ViewController::viewDidLayoutSubviews();
  std::weak_ptr<RaisedComplaintListVC> weak = sharedAs<RaisedComplaintListVC>();
  platform::RunLoop::main().async([weak] {
    auto self = weak.lock();
    if (!self) return;
    if (auto plus = self->btnPlus.lock()) {
      plus->layer().cornerRadius = 4.0;
      plus->setClipsToBounds(true);
    }
    if (auto container = self->filterContainerView.lock()) {
      container->layer().cornerRadius = container->bounds().height() / 2;
    }
  });
}

void RaisedComplaintListVC::backButtonTapped() { goBack(); }

void RaisedComplaintListVC::goBack() {
  auto navigation = navigationController();
  if (!navigation) return;
  if (landingFrom == LandingFrom::addNewComplain) {
    navigation->popToRootViewController(true);
  } else {
    navigation->popViewController(true);
  }
}

void RaisedComplaintListVC::actionAdd() {
  auto navigation = navigationController();
  auto form = Storyboards::instantiateScreen(StoryboardName::tenantAdmin, "AddNewComplaintVC");
  if (navigation && form) navigation->pushViewController(form, true);
}

void RaisedComplaintListVC::actionGoToFilterList() {
  auto navigation = navigationController();
  auto filter = std::dynamic_pointer_cast<ComplainRaiserFilterVC>(
      Storyboards::instantiateScreen(StoryboardName::tenantAdmin, "ComplainRaiserFilterVC"));
  if (!navigation || !filter) return;
  filter->applyFilterDelegate = sharedAs<RaisedComplaintListVC>();
  filter->filteredData = filteredData;
  navigation->pushViewController(filter, true);
}

void RaisedComplaintListVC::applyFilter(const std::optional<FilterData>& filtered, bool isClearFilterButtonTapped) {
  if (isClearFilterButtonTapped) {
    setIndicator(*this, false);
    filteredData.reset();
    return;
  }
  setIndicator(*this, true);
  filteredData = filtered;
  fetchComplaintList(filteredData, [] {});
}

void RaisedComplaintListVC::fetchComplaintList(const std::optional<FilterData>& filter,
                                               std::function<void()> completion) {
  const std::uint64_t sequence = ++lastRequest_;
  std::weak_ptr<RaisedComplaintListVC> weak = sharedAs<RaisedComplaintListVC>();
  ComplainWebServicesManager::shared().requestComplainList(
      complainListBody(filter), [weak, sequence, completion](DataResponse<MDLComplainList> response) {
        auto self = weak.lock();
        if (!self) return;
        self->handleReply(sequence, response);
        if (completion) completion();
      });
}

void RaisedComplaintListVC::handleReply(std::uint64_t sequence, const DataResponse<MDLComplainList>& response) {
  // A newer request is on its way: this reply no longer matches the indicator.
  if (sequence != lastRequest_) return;
  if (!response.value) {
    AppToastAlert::show(ToastPosition::bottom, response.error ? response.error->localizedDescription : "");
    return;
  }
  const MDLComplainList& reply = *response.value;
  if (!reply.isSuccess) return;
  if (!*reply.isSuccess) {
    AppToastAlert::show(ToastPosition::bottom, reply.message.value_or(""));
    return;
  }
  arrComplains = reply.arrComplains.value_or(std::vector<MDLComplain>{});
  reloadList();
}

void RaisedComplaintListVC::reloadList() {
  std::weak_ptr<uikit::TableView> table = tblRaisedComplaintList;
  platform::RunLoop::main().async([table] {
    if (auto t = table.lock()) t->reloadData();
  });
}

long RaisedComplaintListVC::tableViewNumberOfRowsInSection(uikit::TableView& tableView, long section) {
  (void)tableView, (void)section;
  return static_cast<long>(arrComplains.size());
}

std::shared_ptr<uikit::TableViewCell> RaisedComplaintListVC::tableViewCellForRowAtIndexPath(
    uikit::TableView& tableView, const uikit::IndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<RaisedComplaintCell>(
      tableView.dequeueReusableCellWithIdentifier(RaisedComplaintCell::kReuseIdentifier, indexPath));
  if (!cell) {
    platform::LogError("RaisedComplaintListVC: no RaisedComplaintCell prototype");
    return std::make_shared<uikit::TableViewCell>();
  }
  if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= arrComplains.size()) return cell;
  const MDLComplain& complaint = arrComplains[static_cast<std::size_t>(indexPath.row)];
  if (auto status = cell->lblComplainStatus()) {
    const bool open = isOpen(complaint.status);
    status->setText(std::string(open ? "Open" : "Close"));
    status->setBackgroundColor(open ? AppColor::paleBlue() : AppColor::silver());
  }
  if (auto title = cell->lblComplainTitle()) {
    title->setText(complaint.complainFor.value_or("") + " - " + complaint.typeOfComplain.value_or(""));
  }
  if (auto time = cell->lblSuitableTime()) time->setText(complaint.visitDate.value_or(""));
  if (auto description = cell->lblComplainDesciption()) description->setText(complaint.description.value_or(""));
  return cell;
}

void RaisedComplaintListVC::tableViewDidSelectRowAtIndexPath(uikit::TableView& tableView,
                                                             const uikit::IndexPath& indexPath) {
  (void)tableView, (void)indexPath;
}

void RaisedComplaintListVC::registerScene() {
  uikit::Image::registerNamed(kBackImage, uikit::Image::filled({24, 24}, AppColor::white()));
  FilterIndicator::registerImages();
  uikit::Storyboard::registerScene(kStoryboard, "RaisedComplaintListVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<RaisedComplaintListVC>();
    controller->setTitle("Raised Complaints");
    const uikit::Rect screen = uikit::Device::screenBounds();
    const double width = screen.size.width;
    auto view = uikit::View::make(screen);
    auto filterContainer = uikit::View::make(uikit::Rect(width - 130, 10, 110, 30));
    filterContainer->setAccessibilityIdentifier("filterContainerView");
    auto icon = uikit::View::make<uikit::ImageView>(uikit::Rect(10, 7, 16, 16));
    auto filterTitle = uikit::View::make<uikit::Label>(uikit::Rect(32, 5, 70, 20));
    // The storyboard's first look: no filter.
    FilterIndicator::show(icon, filterTitle, false);
    filterContainer->addSubview(icon);
    filterContainer->addSubview(filterTitle);
    auto table = uikit::View::make<uikit::TableView>(uikit::Rect(0, 50, width, screen.size.height - 50),
                                                     uikit::TableViewStyle::kPlain);
    table->setAccessibilityIdentifier("tblRaisedComplaintList");
    table->separatorStyle = uikit::TableViewCellSeparatorStyle::kNone;
    table->registerClass(RaisedComplaintCell::kReuseIdentifier, &RaisedComplaintCell::instantiatePrototype);
    auto plus = uikit::Button::withType(uikit::ButtonType::kCustom);
    plus->setFrame(uikit::Rect(width - 70, screen.size.height - 90, 50, 50));
    plus->setTitle(std::string("+"));
    plus->setAccessibilityIdentifier("btnPlus");
    view->addSubview(filterContainer);
    view->addSubview(table);
    view->addSubview(plus);
    std::weak_ptr<RaisedComplaintListVC> weak = controller;
    TapActions::addAction(plus, [weak](uikit::Button&) {
      if (auto self = weak.lock()) self->actionAdd();
    });
    TapActions::addTapGesture(filterContainer, [weak] {
      if (auto self = weak.lock()) self->actionGoToFilterList();
    });
    contents.controller = controller;
    contents.view = view;
    contents.outlets = {
        {"tblRaisedComplaintList", [weak, table] { if (auto c = weak.lock()) c->tblRaisedComplaintList = table; }},
        {"filterContainerView",
         [weak, filterContainer] { if (auto c = weak.lock()) c->filterContainerView = filterContainer; }},
        {"btnPlus", [weak, plus] { if (auto c = weak.lock()) c->btnPlus = plus; }},
        {"lblFilterTitle", [weak, filterTitle] { if (auto c = weak.lock()) c->lblFilterTitle = filterTitle; }},
        {"imgFilterIcon", [weak, icon] { if (auto c = weak.lock()) c->imgFilterIcon = icon; }},
    };
    return contents;
  });
}
