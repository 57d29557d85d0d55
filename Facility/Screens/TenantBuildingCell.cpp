#include "Facility/Screens/TenantBuildingCell.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Facility/Screens/BuildingCell.h"
#include "Facility/Screens/FloorCell.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Support/Device.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/UIKit/Nib.h"

namespace {

constexpr float kUsed = 999;
constexpr float kUnused = 250;

// The whole part of a width or offset as a count of points; none when it
// is not a finite number.
std::optional<long> wholePart(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  constexpr double kLimit = static_cast<double>(std::numeric_limits<long>::max() / 4);
  return static_cast<long>(std::clamp(std::trunc(value), -kLimit, kLimit));
}

// Whole-number division of two whole parts; none for a divisor of 0.
std::optional<long> pageOf(double offset, double width) {
  auto numerator = wholePart(offset);
  auto denominator = wholePart(width);
  if (!numerator || !denominator || *denominator == 0) return std::nullopt;
  return *numerator / *denominator;
}

}  // namespace

void TenantBuildingCell::setPageControl(const std::shared_ptr<uikit::PageControl>& control) {
  pageControl = control;
  if (!control) return;
  control->pageIndicatorTintColor = AppColor::lightGray();
  control->currentPageIndicatorTintColor = AppColor::darkBlue();
}

void TenantBuildingCell::setVwInner(const std::shared_ptr<uikit::View>& view) {
  vwInner = view;
  if (view) ViewStyle::setShadow(*view, AppColor::black(), 1, 2, 0.4F, 3);
}

void TenantBuildingCell::setColViewBuilding(const std::shared_ptr<uikit::CollectionView>& view) {
  colViewBuilding = view;
  if (view) view->registerNib(uikit::Nib::named(BuildingCell::kNibName), BuildingCell::kNibName);
}

void TenantBuildingCell::setColViewfloors(const std::shared_ptr<uikit::CollectionView>& view) {
  colViewfloors = view;
  if (view) view->registerNib(uikit::Nib::named(FloorCell::kNibName), FloorCell::kNibName);
}

bool TenantBuildingCell::isCarousel(const uikit::ScrollView& view) const {
  auto carousel = colViewBuilding.lock();
  return carousel && carousel.get() == &view;
}

void TenantBuildingCell::fill(const std::vector<MDLVisitorBuilding>& buildings,
                              const std::shared_ptr<BuildingSelectionDelegate>& selectionDelegate) {
  delegate = selectionDelegate;
  arrBuilding = buildings;
  // A choice past the end of a shorter list would point at nothing.
  if (selectedBuilding && (*selectedBuilding < 0 || *selectedBuilding >= static_cast<long>(arrBuilding.size()))) {
    selectedBuilding.reset();
    arrFloors.clear();
  }
  if (auto pages = pageControl.lock()) {
    const long n = static_cast<long>(arrBuilding.size());
    pages->setNumberOfPages((n + kBuildingsPerPage - 1) / kBuildingsPerPage);
  }
  if (auto carousel = colViewBuilding.lock()) carousel->reloadData();
  const bool chosen = selectedBuilding.has_value();
  if (cnColViewBuildingBottomSpaceToLbFloor) cnColViewBuildingBottomSpaceToLbFloor->setPriority(chosen ? kUsed : kUnused);
  if (cnColViewBuildingBottomSpaceToContentView) {
    cnColViewBuildingBottomSpaceToContentView->setPriority(chosen ? kUnused : kUsed);
  }
  if (auto label = lbFloor.lock()) label->setHidden(!chosen);
  if (auto floors = colViewfloors.lock()) {
    floors->setHidden(!chosen);
    floors->reloadData();
  }
  if (cnHeight) cnHeight->setConstant(chosen ? kHeightWithFloors : kHeight);
  selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
}

void TenantBuildingCell::chooseBuilding(long index) {
  if (index < 0 || index >= static_cast<long>(arrBuilding.size())) return;
  selectedBuilding = index;
  if (auto carousel = colViewBuilding.lock()) carousel->reloadData();
  if (auto label = lbFloor.lock()) label->setHidden(false);
  arrFloors = arrBuilding[static_cast<std::size_t>(index)].floorList.value_or(std::vector<MDLLocation>{});
  if (auto floors = colViewfloors.lock()) floors->reloadData();
  if (auto d = delegate.lock()) d->onBuildingSelected();
}

long TenantBuildingCell::collectionViewNumberOfItemsInSection(uikit::CollectionView& view, long) {
  return static_cast<long>(isCarousel(view) ? arrBuilding.size() : arrFloors.size());
}

std::shared_ptr<uikit::CollectionViewCell> TenantBuildingCell::collectionViewCellForItemAtIndexPath(
    uikit::CollectionView& view, const uikit::IndexPath& indexPath) {
  const auto item = static_cast<std::size_t>(indexPath.item());
  if (isCarousel(view)) {
    auto cell = std::dynamic_pointer_cast<BuildingCell>(
        view.dequeueReusableCellWithReuseIdentifier(BuildingCell::kNibName, indexPath));
    if (!cell || indexPath.item() < 0 || item >= arrBuilding.size()) return std::make_shared<uikit::CollectionViewCell>();
    cell->show(arrBuilding[item].text, selectedBuilding == indexPath.item());
    return cell;
  }
  auto cell = std::dynamic_pointer_cast<FloorCell>(
      view.dequeueReusableCellWithReuseIdentifier(FloorCell::kNibName, indexPath));
  if (!cell || indexPath.item() < 0 || item >= arrFloors.size()) return std::make_shared<uikit::CollectionViewCell>();
  if (auto label = cell->lbFloorNo.lock()) label->setText(arrFloors[item].text);
  return cell;
}

uikit::Size TenantBuildingCell::collectionViewLayoutSizeForItemAtIndexPath(uikit::CollectionView& view,
                                                                         const uikit::IndexPath&) {
  const uikit::Rect frame = view.frame();
  if (isCarousel(view)) return {(frame.width() - 40) * 0.25, frame.height()};
  return {frame.width() * 0.125, frame.height()};
}

double TenantBuildingCell::collectionViewLayoutMinimumLineSpacingForSectionAtIndex(uikit::CollectionView& view,
                                                                                    long) {
  return isCarousel(view) ? 0 : 5;
}

void TenantBuildingCell::collectionViewDidSelectItemAtIndexPath(uikit::CollectionView& view,
                                                                const uikit::IndexPath& indexPath) {
  if (isCarousel(view)) chooseBuilding(indexPath.item());
}

void TenantBuildingCell::scrollViewDidScroll(uikit::ScrollView& scrollView) {
  auto pages = pageControl.lock();
  if (!pages || !isCarousel(scrollView)) return;
  const double screen = Device::screenWidth();
  // A screen narrower than one point has no page: the page stays.
  if (auto page = pageOf(scrollView.contentOffset().x + screen, screen)) pages->setCurrentPage(*page);
}

void TenantBuildingCell::scrollViewDidEndDecelerating(uikit::ScrollView& scrollView) {
  auto pages = pageControl.lock();
  if (!pages || !isCarousel(scrollView)) return;
  const uikit::Point offset = scrollView.contentOffset();
  auto page = pageOf(offset.x, scrollView.frame().width());
  if (!page) return;
  pages->setCurrentPage(*page);
  // Past the start of the last page: settle on it.
  const double step = Device::screenWidth() - 20;
  if (step * static_cast<double>(pages->currentPage()) < offset.x) {
    scrollView.setContentOffset({step * static_cast<double>(pages->numberOfPages() - 1), offset.y}, true);
  }
}

void TenantBuildingCell::registerNib() {
  BuildingCell::registerNib();
  FloorCell::registerNib();
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    const double width = Device::screenWidth();
    const double inner = width - 20;
    auto cell = std::make_shared<TenantBuildingCell>(uikit::TableViewCellStyle::kDefault, kNibName);
    cell->setFrame(uikit::Rect(0, 0, width, kHeight));
    cell->contentView()->setFrame(cell->bounds());
    cell->cnHeight = cell->heightAnchor().constraintEqualToConstant(kHeight);
    cell->cnHeight->setActive(true);
    auto card = uikit::View::make(uikit::Rect(10, 5, inner, kHeightWithFloors - 10));
    auto title = uikit::View::make<GenericLabel>(uikit::Rect(10, 5, inner - 20, 24));
    title->setText("Buildings");
    uikit::CollectionViewFlowLayout row;
    row.scrollDirection = uikit::ScrollDirection::kHorizontal;
    row.minimumInteritemSpacing = 0;
    auto carousel = std::make_shared<uikit::CollectionView>(uikit::Rect(0, 35, inner, 100), row);
    carousel->setAccessibilityIdentifier("colViewBuilding");
    carousel->isPagingEnabled = true;
    auto pages = std::make_shared<uikit::PageControl>();
    pages->setFrame(uikit::Rect(0, 140, inner, 20));
    auto floorTitle = uikit::View::make<GenericLabel>(uikit::Rect(10, 165, inner - 20, 24));
    floorTitle->setText("Floors");
    auto floors = std::make_shared<uikit::CollectionView>(uikit::Rect(10, 195, inner - 20, 50), row);
    floors->setAccessibilityIdentifier("colViewfloors");
    for (const auto& v : std::vector<uikit::ViewPtr>{title, carousel, pages, floorTitle, floors}) card->addSubview(v);
    cell->contentView()->addSubview(card);
    const auto content = cell->contentView();
    using A = uikit::LayoutAttribute;
    auto toContent = uikit::LayoutConstraint::make(content, A::kBottom, uikit::LayoutRelation::kEqual, carousel,
                                                   A::kBottom, 1, 55);
    auto toFloor = uikit::LayoutConstraint::make(floorTitle, A::kTop, uikit::LayoutRelation::kEqual, carousel,
                                                 A::kBottom, 1, 30);
    content->addConstraints({toContent, toFloor});
    auto self = cell;
    carousel->setDataSource(std::static_pointer_cast<uikit::CollectionViewDataSource>(self));
    carousel->setDelegate(std::static_pointer_cast<uikit::CollectionViewDelegate>(self));
    floors->setDataSource(std::static_pointer_cast<uikit::CollectionViewDataSource>(self));
    floors->setDelegate(std::static_pointer_cast<uikit::CollectionViewDelegate>(self));
    std::weak_ptr<TenantBuildingCell> weak = cell;
    uikit::NibContents nib;
    nib.topLevelObjects.push_back(cell);
    nib.outlets = {
        {"cnColViewBuildingBottomSpaceToContentView",
         [weak, toContent] { if (auto c = weak.lock()) c->cnColViewBuildingBottomSpaceToContentView = toContent; }},
        {"cnColViewBuildingBottomSpaceToLbFloor",
         [weak, toFloor] { if (auto c = weak.lock()) c->cnColViewBuildingBottomSpaceToLbFloor = toFloor; }},
        {"pageControl", [weak, pages] { if (auto c = weak.lock()) c->setPageControl(pages); }},
        {"vwInner", [weak, card] { if (auto c = weak.lock()) c->setVwInner(card); }},
        {"lbTitle", [weak, title] { if (auto c = weak.lock()) c->lbTitle = title; }},
        {"lbFloor", [weak, floorTitle] { if (auto c = weak.lock()) c->lbFloor = floorTitle; }},
        {"colViewBuilding", [weak, carousel] { if (auto c = weak.lock()) c->setColViewBuilding(carousel); }},
        {"colViewfloors", [weak, floors] { if (auto c = weak.lock()) c->setColViewfloors(floors); }},
    };
    return nib;
  });
}
