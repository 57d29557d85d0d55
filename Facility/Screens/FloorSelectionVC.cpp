#include "Facility/Screens/FloorSelectionVC.h"

#include <cstdint>

#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/Screens/DefaultFloorCell.h"
#include "Facility/Screens/SelectedFloorCell.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Widgets/AAction.h"
#include "Facility/Widgets/AlertPresenter.h"
#include "Facility/Widgets/CollapsingConstraints.h"
#include "Facility/Widgets/TapActions.h"
#include "Facility/Widgets/TextFieldDecor.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/UIKit/BarButtonItem.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Nib.h"
#include "Platform/UIKit/Storyboard.h"

namespace {

constexpr const char* kDefaultCellId = "DefaultFloorCell";
constexpr const char* kSelectedCellId = "SelectedFloorCell";
constexpr double kCaptionOffset = 30;

uikit::ImagePtr liftImage(bool selected) {
  return uikit::Image::named(selected ? "liftbuttongreen" : "liftbuttongray");
}

void show(const std::weak_ptr<uikit::View>& view, bool visible) {
  if (auto v = view.lock()) v->setHidden(!visible);
}

// A floor button's tap reaches its handler one main-loop turn later.
void onTap(const std::weak_ptr<uikit::Button>& button, std::weak_ptr<FloorSelectionVC> screen,
           std::function<void(FloorSelectionVC&)> handler) {
  auto b = button.lock();
  if (!b) return;
  TapActions::addAction(b, [screen, handler](uikit::Button&) {
    platform::RunLoop::main().async([screen, handler] {
      if (auto self = screen.lock()) handler(*self);
    });
  });
}

}  // namespace

void FloorSelectionVC::setColViewFloors(const std::shared_ptr<uikit::CollectionView>& view) {
  colViewFloors_ = view;
  if (!view) return;
  view->registerNib(uikit::Nib::named(DefaultFloorCell::kNibName), kDefaultCellId);
  view->registerNib(uikit::Nib::named(SelectedFloorCell::kNibName), kSelectedCellId);
}

void FloorSelectionVC::viewDidLoad() {
  SuperViewController::viewDidLoad();
  setTitle("Floor Selection");

  auto settings = uikit::Button::withType(uikit::ButtonType::kCustom);
  settings->setTranslatesAutoresizingMaskIntoConstraints(false);
  uikit::LayoutConstraint::activate({settings->widthAnchor().constraintEqualToConstant(32),
                                     settings->heightAnchor().constraintEqualToConstant(32)});
  settings->setImage(uikit::Image::named("gearshape"));
  std::weak_ptr<FloorSelectionVC> weakSelf = sharedAs<FloorSelectionVC>();
  TapActions::addAction(settings, [weakSelf](uikit::Button&) {
    if (auto self = weakSelf.lock()) self->openSettings();
  });
  navigationItem().setRightBarButtonItem(uikit::BarButtonItem::withCustomView(settings));

  auto field = txtBuilding();
  if (!arrBuilding || arrBuilding->size() < 2) {
    if (field) {
      CollapsingConstraints::setHiddenCollapsing(field, true, uikit::LayoutAttribute::kHeight);
      CollapsingConstraints::setConstraintConstant(field, uikit::LayoutAttribute::kTop, true, 0);
    }
    if (auto label = lbBuilding()) label->setHidden(true);
  } else if (field) {
    TextFieldDecor::setRightImageNamed(*field, "ddl_arrow", 10);
    auto input = TextFieldInput::of(field);
    input->setTypeDisable("true");
    std::vector<TextFieldInput::Row> rows;
    for (const auto& building : *arrBuilding) {
      rows.emplace_back(TextFieldInput::Dictionary{{"value", building.value.value_or("")},
                                                   {"text", building.text.value_or("")}});
    }
    input->setDictionaryPickerInput("text", std::move(rows), [weakSelf](const std::string&, long row, long) {
      if (auto self = weakSelf.lock()) self->buildingChosen(row);
    });
  }

  if (arrBuilding && !arrBuilding->empty()) {
    const auto& first = arrBuilding->front();
    if (field) field->setText(first.text.value_or(""));
    if (first.defaultFloorList && !first.defaultFloorList->empty()) {
      arrDefaultFloors = first.defaultFloorList;
      setDefaultFloorsSelected(true);
    }
    if (first.floorSelectionlist && !first.floorSelectionlist->empty()) arrSelectedFloors = first.floorSelectionlist;
  }

  recomputeDefaultFloors();
  if (destinationFloor && boardingFloor) applyFloors(*destinationFloor, *boardingFloor, "0");
  reloadFloors();
}

void FloorSelectionVC::viewWillAppear(bool animated) {
  SuperViewController::viewWillAppear(animated);
  TarneloBLE::shared().startScanWithTapAndGoWithTapAndGoEnabled(true);
}

void FloorSelectionVC::openSettings() {
  auto navigation = navigationController();
  if (!navigation) return;
  if (auto settings = Storyboards::instantiateScreen(StoryboardName::user, "SensitivityVC")) {
    navigation->pushViewController(settings, true);
  }
}

void FloorSelectionVC::recomputeDefaultFloors() {
  destinationFloor.reset();
  boardingFloor.reset();
  if (arrDefaultFloors && arrDefaultFloors->size() >= 2 && (*arrDefaultFloors)[0].value &&
      (*arrDefaultFloors)[1].value) {
    destinationFloor = (*arrDefaultFloors)[0].value;
    boardingFloor = (*arrDefaultFloors)[1].value;
  }
}

void FloorSelectionVC::reloadFloors() {
  if (auto view = colViewFloors()) view->reloadData();
}

long FloorSelectionVC::collectionViewNumberOfItemsInSection(uikit::CollectionView&, long) {
  const std::size_t n = arrSelectedFloors ? arrSelectedFloors->size() : 0;
  return 1 + static_cast<long>((n + 2) / 3);
}

std::shared_ptr<uikit::CollectionViewCell> FloorSelectionVC::collectionViewCellForItemAtIndexPath(
    uikit::CollectionView& view, const uikit::IndexPath& indexPath) {
  const bool isDefault = indexPath.item() == 0;
  auto cell = view.dequeueReusableCellWithReuseIdentifier(isDefault ? kDefaultCellId : kSelectedCellId, indexPath);
  if (isDefault) {
    if (auto typed = std::dynamic_pointer_cast<DefaultFloorCell>(cell)) {
      fillDefaultCell(*typed);
      return typed;
    }
  } else if (auto typed = std::dynamic_pointer_cast<SelectedFloorCell>(cell)) {
    fillSelectedCell(*typed, indexPath.item());
    return typed;
  }
  return std::make_shared<uikit::CollectionViewCell>();
}

uikit::Size FloorSelectionVC::collectionViewLayoutSizeForItemAtIndexPath(uikit::CollectionView& view,
                                                                         const uikit::IndexPath& indexPath) {
  const double width = view.frame().size.width;
  if (indexPath.item() == 0) return {width - 100, 200};
  return {width, indexPath.item() == 1 ? 150.0 : 100.0};
}

double FloorSelectionVC::collectionViewLayoutMinimumLineSpacingForSectionAtIndex(uikit::CollectionView&, long) {
  return 0;
}

void FloorSelectionVC::fillDefaultCell(DefaultFloorCell& cell) {
  std::weak_ptr<FloorSelectionVC> weakSelf = sharedAs<FloorSelectionVC>();
  struct Slot {
    std::weak_ptr<uikit::Label> label;
    std::weak_ptr<uikit::ImageView> lift, arrow, otherArrow;
    const char* arrowOn;
    const char* arrowOff;
  };
  const Slot slots[2] = {
      {cell.lbDefaultFloor1, cell.imgVwFloorDefault1, cell.imgVwUpDefault1, cell.imgVwDownDefault1, "liftupgreen",
       "liftupgray"},
      {cell.lbDefaultFloor2, cell.imgVwFloorDefault2, cell.imgVwDownDefault2, cell.imgVwUpDefault2, "liftdowngreen",
       "liftdowngray"},
  };
  for (std::size_t i = 0; i < 2; ++i) {
    const Slot& slot = slots[i];
    // A slot without a floor is shown empty rather than keeping what another
    // building put there.
    const MDLDefaultFloor* floor =
        arrDefaultFloors && arrDefaultFloors->size() > i ? &(*arrDefaultFloors)[i] : nullptr;
    const bool selected = floor && floor->isSelected;
    if (auto label = slot.label.lock()) label->setText(floor ? floor->text.value_or("") : "");
    show(slot.arrow, true);
    show(slot.otherArrow, false);
    if (auto arrow = slot.arrow.lock()) arrow->setImage(uikit::Image::named(selected ? slot.arrowOn : slot.arrowOff));
    if (auto lift = slot.lift.lock()) lift->setImage(liftImage(selected));
  }
  onTap(cell.btnFloorDefault1, weakSelf, [](FloorSelectionVC& self) { self.defaultFloorTapped(); });
  onTap(cell.btnFloorDefault2, weakSelf, [](FloorSelectionVC& self) { self.defaultFloorTapped(); });
}

void FloorSelectionVC::fillSelectedCell(SelectedFloorCell& cell, long item) {
  std::weak_ptr<FloorSelectionVC> weakSelf = sharedAs<FloorSelectionVC>();
  show(cell.lbFloorSelection, item == 1);
  if (auto centerY = cell.cnImgVwFloorCenterY.lock()) centerY->setConstant(item == 1 ? kCaptionOffset : 0);
  struct Slot {
    std::weak_ptr<uikit::Label> label;
    std::weak_ptr<uikit::ImageView> lift;
    std::weak_ptr<uikit::Button> button;
  };
  const Slot slots[3] = {{cell.lbFloorNo1, cell.imgVwFloor1, cell.btnFloor1},
                         {cell.lbFloorNo2, cell.imgVwFloor2, cell.btnFloor2},
                         {cell.lbFloorNo3, cell.imgVwFloor3, cell.btnFloor3}};
  for (std::size_t k = 0; k < 3; ++k) {
    const std::size_t index = 3 * static_cast<std::size_t>(item - 1) + k;
    const Slot& slot = slots[k];
    const MDLFloorSelection* floor =
        arrSelectedFloors && arrSelectedFloors->size() > index ? &(*arrSelectedFloors)[index] : nullptr;
    show(slot.label, floor != nullptr);
    show(slot.lift, floor != nullptr);
    show(slot.button, floor != nullptr);
    if (floor) {
      if (auto label = slot.label.lock()) label->setText(floor->text.value_or(""));
      if (auto lift = slot.lift.lock()) lift->setImage(liftImage(floor->isSelected));
    }
    onTap(slot.button, weakSelf, [index](FloorSelectionVC& self) { self.selectableFloorTapped(index); });
  }
}

void FloorSelectionVC::buildingChosen(long index) {
  if (!arrBuilding || index < 0 || static_cast<std::size_t>(index) >= arrBuilding->size()) return;
  const auto& building = (*arrBuilding)[static_cast<std::size_t>(index)];
  if (auto field = txtBuilding()) field->setText(building.text.value_or(""));
  // The chosen building's lists replace the screen's, even when missing, so
  // no punch carries another building's floors.
  arrDefaultFloors = building.defaultFloorList;
  arrSelectedFloors = building.floorSelectionlist;
  recomputeDefaultFloors();
  reloadFloors();
}

void FloorSelectionVC::setDefaultFloorsSelected(bool selected) {
  if (arrDefaultFloors && !arrDefaultFloors->empty()) {
    (*arrDefaultFloors)[0].isSelected = selected;
    if (arrDefaultFloors->size() >= 2) (*arrDefaultFloors)[1].isSelected = selected;
  }
  reloadFloors();
}

void FloorSelectionVC::defaultFloorTapped() {
  if (arrSelectedFloors) {
    for (auto& floor : *arrSelectedFloors) floor.isSelected = false;
  }
  reloadFloors();
  setDefaultFloorsSelected(true);
  applyFloors(destinationFloor.value_or("0"), boardingFloor.value_or("0"), "0");
  reloadFloors();
}

void FloorSelectionVC::selectableFloorTapped(std::size_t index) {
  setDefaultFloorsSelected(false);
  if (!arrSelectedFloors) return;
  for (auto& floor : *arrSelectedFloors) floor.isSelected = false;
  reloadFloors();
  if (index >= arrSelectedFloors->size()) return;
  auto& floor = (*arrSelectedFloors)[index];
  floor.isSelected = true;
  if (floor.value) applyFloors("0", "0", *floor.value);
  reloadFloors();
}

void FloorSelectionVC::applyFloors(const std::string& destination, const std::string& boarding,
                                   const std::string& selected) {
  if (!tagId) {
    AlertPresenter::showAlert(*this, "Alert", "Tag id not found", uikit::AlertControllerStyle::kAlert, {AAction::Ok});
    return;
  }
  std::weak_ptr<FloorSelectionVC> weakSelf = sharedAs<FloorSelectionVC>();
  platform::RunLoop::main().async([weakSelf, destination, boarding, selected] {
    if (auto self = weakSelf.lock()) self->saveTapAndGoData(destination, boarding, selected);
  });
}

void FloorSelectionVC::saveTapAndGoData(const std::string& destination, const std::string& boarding,
                                        const std::string& selected) {
  if (!tagId) return;
  const std::int64_t destinationValue = parseCount(destination);
  const std::int64_t boardingValue = parseCount(boarding);
  const std::int64_t selectedValue = parseCount(selected);
  auto stored = UserDefaultsAccess::getString(UserDefaultsKey::sensitivity);
  if (!stored) {
    UserDefaultsAccess::setValue(platform::Value("1"), UserDefaultsKey::sensitivity);
    stored.emplace("1");
  }
  const std::int64_t parsed = parseCount(*stored);
  const std::int64_t sensitivity = parsed == 0 && *stored != "0" ? 1 : parsed;

  auto& defaults = platform::UserDefaults::standard();
  (void)defaults.setObject(platform::Value(*tagId), "com.tarnelo.ble.tagId");
  (void)defaults.setInteger(destinationValue, "com.tarnelo.ble.DestinationFloor");
  (void)defaults.setInteger(selectedValue, "com.tarnelo.ble.selectedFloor");
  (void)defaults.setInteger(boardingValue, "com.tarnelo.ble.BoardingFloor");
  (void)defaults.setInteger(sensitivity, "com.tarnelo.ble.sensitivity");
  TarneloBLE::shared().insertTapAndGoDataWithTag(*tagId, destinationValue, boardingValue, selectedValue, sensitivity);
}

void FloorSelectionVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "FloorSelectionVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<FloorSelectionVC>();
    const uikit::Rect screen = uikit::Device::screenBounds();
    auto view = uikit::View::make(screen);
    auto label = uikit::View::make<uikit::Label>(uikit::Rect(20, 100, screen.size.width - 40, 20));
    label->setText("Building");
    auto field = uikit::View::make<uikit::TextField>(uikit::Rect(20, 130, screen.size.width - 40, 40));
    uikit::CollectionViewFlowLayout layout;
    layout.minimumLineSpacing = 0;
    auto floors = std::make_shared<uikit::CollectionView>(
        uikit::Rect(0, 180, screen.size.width, screen.size.height - 180), layout);
    view->addSubview(label);
    view->addSubview(field);
    view->addSubview(floors);
    // The field's height and its spacing below the caption collapse when
    // there is only one building to choose from.
    uikit::LayoutConstraint::activate({
        field->heightAnchor().constraintEqualToConstant(40),
        uikit::LayoutConstraint::make(field, uikit::LayoutAttribute::kTop, uikit::LayoutRelation::kEqual, label,
                                      uikit::LayoutAttribute::kBottom, 1, 10),
    });
    contents.controller = controller;
    contents.view = view;
    std::weak_ptr<FloorSelectionVC> weak = controller;
    contents.outlets = {
        {"lbBuilding", [weak, label] { if (auto c = weak.lock()) c->setLbBuilding(label); }},
        {"txtBuilding", [weak, field] { if (auto c = weak.lock()) c->setTxtBuilding(field); }},
        {"colViewFloors",
         [weak, floors] {
           auto c = weak.lock();
           if (!c) return;
           c->setColViewFloors(floors);
           floors->setDataSource(c);
           floors->setDelegate(c);
         }},
    };
    return contents;
  });
}
