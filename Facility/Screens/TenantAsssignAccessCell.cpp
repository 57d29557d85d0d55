#include "Facility/Screens/TenantAsssignAccessCell.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "Facility/Screens/FloorNumberCell.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Widgets/TapActions.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Nib.h"

namespace {

constexpr const char* kItemId = "FloorNumberCell";
constexpr double kMargin = 10;
constexpr double kButtonHeight = 40;
constexpr double kFieldHeight = 40;
constexpr double kSpacing = 8;
constexpr double kLiftImageSide = 26;
// The grid's own bottom spacing: stronger than a lowered constraint, weaker
// than a raised one, so it decides the row's bottom only while the grid shows.
constexpr float kGridBottomPriority = 500;

using Constraint = std::weak_ptr<uikit::LayoutConstraint>;

float priorityOf(const Constraint& c) {
  auto constraint = c.lock();
  return constraint ? constraint->priority() : 0;
}

double constantOf(const Constraint& c) {
  auto constraint = c.lock();
  return constraint ? constraint->constant() : 0;
}

void prioritise(const Constraint& c, float priority) {
  if (auto constraint = c.lock()) constraint->setPriority(priority);
}

template <class V>
void hide(const std::weak_ptr<V>& view, bool hidden) {
  if (auto v = view.lock()) v->setHidden(hidden);
}

template <class V>
bool isShown(const std::weak_ptr<V>& view) {
  auto v = view.lock();
  return v && !v->isHidden();
}

template <class V>
bool isTicked(const std::weak_ptr<V>& button) {
  auto b = button.lock();
  return b && b->isSelected();
}

// The position the strongest candidate gives; the first wins a tie.
double strongest(std::initializer_list<std::pair<float, double>> candidates) {
  std::pair<float, double> best{-1, 0};
  for (const auto& c : candidates) {
    if (c.first > best.first) best = c;
  }
  return best.second;
}

template <class R>
void fillItem(TenantAsssignAccessCell& row, FloorNumberCell& item,
              std::vector<std::shared_ptr<R>> TenantAsssignAccessCell::*list, std::size_t index) {
  const auto& records = row.*list;
  auto button = item.btnFloorNumber.lock();
  if (!button || index >= records.size() || !records[index]) return;
  std::shared_ptr<R> record = records[index];
  const bool on = record->isSelected.value_or(false);
  button->setSelected(on);
  button->setTitle(record->text, uikit::kControlStateNormal);
  button->setBackgroundColor(on ? AppColor::green() : AppColor::white());
  std::weak_ptr<TenantAsssignAccessCell> weakRow = row.sharedAs<TenantAsssignAccessCell>();
  TapActions::addAction(button, [weakRow, record, list, index](uikit::Button& tapped) {
    tapped.setSelected(!tapped.isSelected());
    // The record is the screen's own object: the tick is seen there at once.
    record->isSelected = tapped.isSelected();
    auto self = weakRow.lock();
    if (!self) return;
    auto& kept = (*self).*list;
    if (index < kept.size()) kept[index] = record;
    if (auto grid = self->colViewFloors()) grid->reloadData();
  });
}

}  // namespace

void TenantAsssignAccessCell::setColViewFloors(const std::shared_ptr<uikit::CollectionView>& view) {
  colViewFloors_ = view;
  if (!view) return;
  view->registerNib(uikit::Nib::named(FloorNumberCell::kNibName), kItemId);
  auto self = sharedAs<TenantAsssignAccessCell>();
  view->setDataSource(self);
  view->setDelegate(self);
}

void TenantAsssignAccessCell::awakeFromNib() {
  uikit::TableViewCell::awakeFromNib();
  if (auto field = txtFieldUpFloor.lock()) field->setTintColor(AppColor::white());
  if (auto field = txtFieldDownFloor.lock()) field->setTintColor(AppColor::white());
}

double TenantAsssignAccessCell::gridHeight(std::size_t count, double width, double interitemSpacing) {
  if (count == 0 || width <= 0) return 0;
  const double itemWidth = width / 8 + 10;
  const auto perRow = static_cast<std::size_t>(
      std::max(1.0, std::floor((width + interitemSpacing) / (itemWidth + interitemSpacing))));
  const std::size_t rows = (count + perRow - 1) / perRow;
  return static_cast<double>(rows) * std::floor(width / 8);
}

std::size_t TenantAsssignAccessCell::listedCount() const {
  if (isShown(btnBuilding)) return arrFloors.size();
  if (isShown(btnTwoWheeler)) return arrTwoWheeler.size();
  return arrFourWheeler.size();
}

void TenantAsssignAccessCell::updateLayout(CellType type) {
  laidOutAs_ = type;
  hide(stackViewFloorDDL, true);
  hide(stackViewUpFloor, true);
  hide(stackViewDownFloor, true);
  for (const Constraint* c :
       {&cnTwoWheelerBottomSpaceToColView, &cnFourWheelerBottomSpaceToColView, &cnBtnBuildingBottomSpaceToSuperView,
        &cnTwoWheelerBottomSpaceToSuperView, &cnFourWheelerBottomSpaceToSuperView,
        &cnColViewFloorsTopSpaceToStackViewFloorDDL, &cnStackViewFloorDDLBottomSpaceToSuperView,
        &cnStackViewFloorDDLTopSpaceToSuperView, &cnStackViewFloorDDLTopSpaceToBtnBuilding}) {
    prioritise(*c, kLowered);
  }
  auto grid = colViewFloors();
  const double width = grid ? grid->bounds().width() : 0;
  laidOutWidth_ = width;
  const double spacing = grid ? grid->collectionViewLayout().minimumInteritemSpacing : 0;
  auto setGridHeight = [&](std::optional<std::size_t> count) {
    if (!count) return;
    if (auto height = cnColViewFloorHeight.lock()) height->setConstant(gridHeight(*count, width, spacing));
  };
  auto showGrid = [&](bool shown) {
    if (grid) grid->setHidden(!shown);
  };

  switch (type) {
    case CellType::buildingDDL:
      hide(stackViewFloorDDL, false);
      hide(stackViewUpFloor, false);
      hide(btnBuilding, true);
      hide(btnTwoWheeler, true);
      hide(btnFourWheeler, true);
      showGrid(false);
      hide(stackViewDownFloor, true);
      hide(imgVwUpFloor, true);
      prioritise(cnStackViewFloorDDLBottomSpaceToSuperView, kRaised);
      prioritise(cnStackViewFloorDDLTopSpaceToSuperView, kRaised);
      break;
    case CellType::building:
      if (isTicked(btnBuilding)) {
        hide(stackViewFloorDDL, false);
        hide(stackViewUpFloor, false);
        hide(stackViewDownFloor, false);
        showGrid(true);
        prioritise(cnStackViewFloorDDLTopSpaceToBtnBuilding, kRaised);
        prioritise(cnColViewFloorsTopSpaceToStackViewFloorDDL, kRaised);
        setGridHeight(arrFloors.size());
      } else {
        showGrid(false);
        prioritise(cnBtnBuildingBottomSpaceToSuperView, kRaised);
        setGridHeight(0);
      }
      break;
    case CellType::twoWheeler:
      showGrid(isTicked(btnTwoWheeler));
      prioritise(isTicked(btnTwoWheeler) ? cnTwoWheelerBottomSpaceToColView : cnTwoWheelerBottomSpaceToSuperView,
                  kRaised);
      setGridHeight(isTicked(btnTwoWheeler) ? arrTwoWheeler.size() : 0);
      break;
    case CellType::fourWheeler:
      showGrid(isTicked(btnFourWheeler));
      prioritise(
          isTicked(btnFourWheeler) ? cnFourWheelerBottomSpaceToColView : cnFourWheelerBottomSpaceToSuperView,
          kRaised);
      setGridHeight(isTicked(btnFourWheeler) ? arrFourWheeler.size() : 0);
      break;
  }
}

TenantAsssignAccessCell::Placement TenantAsssignAccessCell::place() const {
  Placement p;
  p.buttonTop = kMargin;
  p.buttonBottom = p.buttonTop + kButtonHeight;
  p.stackTop = strongest({{priorityOf(cnStackViewFloorDDLTopSpaceToSuperView),
                           constantOf(cnStackViewFloorDDLTopSpaceToSuperView)},
                          {priorityOf(cnStackViewFloorDDLTopSpaceToBtnBuilding),
                           p.buttonBottom + constantOf(cnStackViewFloorDDLTopSpaceToBtnBuilding)}});
  p.stackBottom = p.stackTop + kFieldHeight;
  p.gridTop = strongest({{priorityOf(cnColViewFloorsTopSpaceToStackViewFloorDDL),
                          p.stackBottom + constantOf(cnColViewFloorsTopSpaceToStackViewFloorDDL)},
                         {priorityOf(cnTwoWheelerBottomSpaceToColView),
                          p.buttonBottom + constantOf(cnTwoWheelerBottomSpaceToColView)},
                         {priorityOf(cnFourWheelerBottomSpaceToColView),
                          p.buttonBottom + constantOf(cnFourWheelerBottomSpaceToColView)}});
  p.gridBottom = p.gridTop + constantOf(cnColViewFloorHeight);
  auto grid = colViewFloors_.lock();
  const float gridBottom = grid && !grid->isHidden() ? kGridBottomPriority : 0;
  p.bottom = strongest(
      {{priorityOf(cnBtnBuildingBottomSpaceToSuperView),
        p.buttonBottom + constantOf(cnBtnBuildingBottomSpaceToSuperView)},
       {priorityOf(cnTwoWheelerBottomSpaceToSuperView),
        p.buttonBottom + constantOf(cnTwoWheelerBottomSpaceToSuperView)},
       {priorityOf(cnFourWheelerBottomSpaceToSuperView),
        p.buttonBottom + constantOf(cnFourWheelerBottomSpaceToSuperView)},
       {priorityOf(cnStackViewFloorDDLBottomSpaceToSuperView),
        p.stackBottom + constantOf(cnStackViewFloorDDLBottomSpaceToSuperView)},
       {gridBottom, p.gridBottom + kMargin}});
  return p;
}

uikit::Size TenantAsssignAccessCell::contentFittingSize(double maxWidth) const {
  const double width = maxWidth > 0 ? maxWidth : bounds().width();
  return {width, place().bottom};
}

void TenantAsssignAccessCell::layoutSubviews() {
  uikit::TableViewCell::layoutSubviews();
  const double width = std::max(0.0, bounds().width() - 2 * kMargin);
  auto grid = colViewFloors();
  if (grid && laidOutAs_ && grid->bounds().width() != width) {
    // A new width changes the items and so the grid's height.
    grid->setFrame(uikit::Rect(kMargin, grid->frame().y(), width, grid->frame().height()));
    updateLayout(*laidOutAs_);
  }
  const Placement p = place();
  for (const auto& button : {btnBuilding, btnTwoWheeler, btnFourWheeler}) {
    if (auto b = button.lock()) b->setFrame(uikit::Rect(kMargin, p.buttonTop, width, kButtonHeight));
  }
  if (auto stack = stackViewFloorDDL.lock()) {
    stack->setFrame(uikit::Rect(kMargin, p.stackTop, width, kFieldHeight));
    stack->layoutIfNeeded();
  }
  if (grid) {
    grid->setFrame(uikit::Rect(kMargin, p.gridTop, width, constantOf(cnColViewFloorHeight)));
    grid->layoutIfNeeded();
  }
  if (auto line = vwLine.lock()) line->setFrame(uikit::Rect(0, std::max(0.0, p.bottom - 1), bounds().width(), 1));
}

long TenantAsssignAccessCell::collectionViewNumberOfItemsInSection(uikit::CollectionView&, long) {
  return static_cast<long>(listedCount());
}

std::shared_ptr<uikit::CollectionViewCell> TenantAsssignAccessCell::collectionViewCellForItemAtIndexPath(
    uikit::CollectionView& view, const uikit::IndexPath& indexPath) {
  auto item = std::dynamic_pointer_cast<FloorNumberCell>(view.dequeueReusableCellWithReuseIdentifier(kItemId, indexPath));
  if (!item) return std::make_shared<uikit::CollectionViewCell>();
  configureItem(*item, static_cast<std::size_t>(std::max(0L, indexPath.item())));
  return item;
}

void TenantAsssignAccessCell::configureItem(FloorNumberCell& item, std::size_t index) {
  if (isShown(btnBuilding)) {
    fillItem(*this, item, &TenantAsssignAccessCell::arrFloors, index);
  } else if (isShown(btnTwoWheeler)) {
    fillItem(*this, item, &TenantAsssignAccessCell::arrTwoWheeler, index);
  } else {
    fillItem(*this, item, &TenantAsssignAccessCell::arrFourWheeler, index);
  }
}

uikit::Size TenantAsssignAccessCell::collectionViewLayoutSizeForItemAtIndexPath(uikit::CollectionView& view,
                                                                                const uikit::IndexPath&) {
  const double width = view.bounds().width();
  return {width / 8 + 10.0, width / 8};
}

double TenantAsssignAccessCell::collectionViewLayoutMinimumLineSpacingForSectionAtIndex(uikit::CollectionView&,
                                                                                         long) {
  return 0.0;
}

void TenantAsssignAccessCell::registerNib() {
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    const double width = uikit::Device::screenBounds().size.width;
    const double inner = width - 2 * kMargin;
    auto cell = std::make_shared<TenantAsssignAccessCell>(uikit::TableViewCellStyle::kDefault, kNibName);
    cell->setFrame(uikit::Rect(0, 0, width, 160));
    auto content = cell->contentView();
    cell->addSubview(content);
    content->setFrame(cell->bounds());

    auto makeButton = [&](const char* id) {
      auto button = uikit::View::make<GenericButton>(uikit::Rect(kMargin, kMargin, inner, kButtonHeight));
      button->setAccessibilityIdentifier(id);
      content->addSubview(button);
      return button;
    };
    auto building = makeButton("btnBuilding");
    auto twoWheeler = makeButton("btnTwoWheeler");
    auto fourWheeler = makeButton("btnFourWheeler");

    auto makeFloorStack = [&](const char* fieldId) {
      auto stack = uikit::View::make<uikit::StackView>();
      stack->setFrame(uikit::Rect(0, 0, inner / 2, kFieldHeight));
      stack->axis = uikit::LayoutAxis::kHorizontal;
      stack->spacing = 4;
      auto image = uikit::View::make<uikit::ImageView>(uikit::Rect(0, 0, kLiftImageSide, kLiftImageSide));
      image->setTranslatesAutoresizingMaskIntoConstraints(false);
      uikit::LayoutConstraint::activate({image->widthAnchor().constraintEqualToConstant(kLiftImageSide)});
      auto field = uikit::View::make<SimpleTextField>(uikit::Rect(0, 0, inner / 2 - kLiftImageSide, kFieldHeight));
      field->setAccessibilityIdentifier(fieldId);
      stack->addArrangedSubview(image);
      stack->addArrangedSubview(field);
      return std::make_tuple(stack, image, field);
    };
    auto [upStack, upImage, upField] = makeFloorStack("txtFieldUpFloor");
    auto [downStack, downImage, downField] = makeFloorStack("txtFieldDownFloor");
    auto floors = uikit::View::make<uikit::StackView>();
    floors->setFrame(uikit::Rect(kMargin, 0, inner, kFieldHeight));
    floors->axis = uikit::LayoutAxis::kHorizontal;
    floors->distribution = uikit::StackViewDistribution::kFillEqually;
    floors->spacing = 10;
    floors->addArrangedSubview(upStack);
    floors->addArrangedSubview(downStack);
    content->addSubview(floors);

    // No interitem spacing and no insets: the item width is all the grid's
    // height formula counts with.
    uikit::CollectionViewFlowLayout layout;
    layout.minimumInteritemSpacing = 0;
    layout.minimumLineSpacing = 0;
    layout.sectionInset = {};
    auto grid = std::make_shared<uikit::CollectionView>(uikit::Rect(kMargin, 0, inner, 0), layout);
    grid->isScrollEnabled = false;
    grid->setAccessibilityIdentifier("colViewFloors");
    content->addSubview(grid);

    auto line = uikit::View::make(uikit::Rect(0, 159, width, 1));
    line->setBackgroundColor(AppColor::gray180());
    content->addSubview(line);

    using A = uikit::LayoutAttribute;
    auto spacing = [&](const uikit::ViewPtr& below, A belowEdge, const uikit::ViewPtr& above, A aboveEdge,
                       double constant) {
      auto c = uikit::LayoutConstraint::make(below, belowEdge, uikit::LayoutRelation::kEqual, above, aboveEdge, 1,
                                             constant);
      c->setPriority(kLowered);
      return c;
    };
    auto twoToGrid = spacing(grid, A::kTop, twoWheeler, A::kBottom, kSpacing);
    auto fourToGrid = spacing(grid, A::kTop, fourWheeler, A::kBottom, kSpacing);
    auto buildingToBottom = spacing(content, A::kBottom, building, A::kBottom, kMargin);
    auto twoToBottom = spacing(content, A::kBottom, twoWheeler, A::kBottom, kMargin);
    auto fourToBottom = spacing(content, A::kBottom, fourWheeler, A::kBottom, kMargin);
    auto gridToStack = spacing(grid, A::kTop, floors, A::kBottom, kSpacing);
    auto stackToBottom = spacing(content, A::kBottom, floors, A::kBottom, kMargin);
    auto stackToTop = spacing(floors, A::kTop, content, A::kTop, kMargin);
    auto stackToBuilding = spacing(floors, A::kTop, building, A::kBottom, kSpacing);
    auto gridHeight =
        uikit::LayoutConstraint::make(grid, A::kHeight, uikit::LayoutRelation::kEqual, nullptr, A::kNotAnAttribute, 1, 0);
    content->addConstraints({twoToGrid, fourToGrid, buildingToBottom, twoToBottom, fourToBottom, gridToStack,
                             stackToBottom, stackToTop, stackToBuilding});
    grid->addConstraint(gridHeight);

    std::weak_ptr<TenantAsssignAccessCell> weak = cell;
    auto set = [weak](auto member, auto value) {
      return [weak, member, value] {
        if (auto c = weak.lock()) (*c).*member = value;
      };
    };
    using C = TenantAsssignAccessCell;
    uikit::NibContents nib;
    nib.topLevelObjects.push_back(cell);
    nib.outlets = {
        {"stackViewFloorDDL", set(&C::stackViewFloorDDL, std::weak_ptr<uikit::StackView>(floors))},
        {"stackViewUpFloor", set(&C::stackViewUpFloor, std::weak_ptr<uikit::StackView>(upStack))},
        {"txtFieldUpFloor", set(&C::txtFieldUpFloor, std::weak_ptr<SimpleTextField>(upField))},
        {"imgVwUpFloor", set(&C::imgVwUpFloor, std::weak_ptr<uikit::ImageView>(upImage))},
        {"stackViewDownFloor", set(&C::stackViewDownFloor, std::weak_ptr<uikit::StackView>(downStack))},
        {"txtFieldDownFloor", set(&C::txtFieldDownFloor, std::weak_ptr<SimpleTextField>(downField))},
        {"imgVwDownFloor", set(&C::imgVwDownFloor, std::weak_ptr<uikit::ImageView>(downImage))},
        {"cnTwoWheelerBottomSpaceToColView", set(&C::cnTwoWheelerBottomSpaceToColView, Constraint(twoToGrid))},
        {"cnFourWheelerBottomSpaceToColView", set(&C::cnFourWheelerBottomSpaceToColView, Constraint(fourToGrid))},
        {"cnBtnBuildingBottomSpaceToSuperView",
         set(&C::cnBtnBuildingBottomSpaceToSuperView, Constraint(buildingToBottom))},
        {"cnTwoWheelerBottomSpaceToSuperView", set(&C::cnTwoWheelerBottomSpaceToSuperView, Constraint(twoToBottom))},
        {"cnFourWheelerBottomSpaceToSuperView",
         set(&C::cnFourWheelerBottomSpaceToSuperView, Constraint(fourToBottom))},
        {"cnColViewFloorsTopSpaceToStackViewFloorDDL",
         set(&C::cnColViewFloorsTopSpaceToStackViewFloorDDL, Constraint(gridToStack))},
        {"cnStackViewFloorDDLBottomSpaceToSuperView",
         set(&C::cnStackViewFloorDDLBottomSpaceToSuperView, Constraint(stackToBottom))},
        {"cnStackViewFloorDDLTopSpaceToSuperView",
         set(&C::cnStackViewFloorDDLTopSpaceToSuperView, Constraint(stackToTop))},
        {"cnStackViewFloorDDLTopSpaceToBtnBuilding",
         set(&C::cnStackViewFloorDDLTopSpaceToBtnBuilding, Constraint(stackToBuilding))},
        {"cnColViewFloorHeight", set(&C::cnColViewFloorHeight, Constraint(gridHeight))},
        {"vwLine", set(&C::vwLine, std::weak_ptr<uikit::View>(line))},
        {"btnBuilding", set(&C::btnBuilding, std::weak_ptr<GenericButton>(building))},
        {"btnTwoWheeler", set(&C::btnTwoWheeler, std::weak_ptr<GenericButton>(twoWheeler))},
        {"btnFourWheeler", set(&C::btnFourWheeler, std::weak_ptr<GenericButton>(fourWheeler))},
        {"colViewFloors", [weak, grid] { if (auto c = weak.lock()) c->setColViewFloors(grid); }},
    };
    return nib;
  });
}
