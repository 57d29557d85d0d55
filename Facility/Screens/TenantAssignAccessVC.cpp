#include "Facility/Screens/TenantAssignAccessVC.h"

#include <algorithm>
#include <type_traits>
#include <utility>

#include "Facility/Network/APIManager.h"
#include "Facility/Screens/SuccessPopup.h"
#include "Facility/Services/FailureToast.h"
#include "Facility/Services/VisitorInvitation.h"
#include "Facility/Widgets/AAction.h"
#include "Facility/Widgets/AlertPresenter.h"
#include "Facility/Widgets/AppAlert.h"
#include "Facility/Widgets/AppLoader.h"
#include "Facility/Widgets/LoaderMsg.h"
#include "Facility/Widgets/PopUpOverlayPresenter.h"
#include "Facility/Widgets/TapActions.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Facility/Widgets/Validation.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Application.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Nib.h"
#include "Platform/UIKit/Storyboard.h"
#include "Platform/UIKit/Window.h"

namespace {

using CellType = TenantAsssignAccessCell::CellType;

constexpr double kNavigationBarHeight = 44.0;
constexpr double kAssignButtonSpace = 63.0;
constexpr double kHeaderSpace = 60.0;
constexpr double kHeightSlack = 20.0;
constexpr const char* kDefaultUpTitle = "--Default Up--";
constexpr const char* kDefaultDownTitle = "--Default Down--";
constexpr const char* kSelectBuildingTitle = "--Select Building--";
constexpr const char* kSelectDefaultUpTitle = "--Select Default Up--";
constexpr const char* kSelectDefaultDownTitle = "--Select Default Down--";

// A shared reply is held by pointer, a value reply by value.
template <class T>
const T* recordOf(const T& value) {
  return &value;
}
template <class T>
const T* recordOf(const std::shared_ptr<T>& value) {
  return value.get();
}

std::string joined(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& name : names) out += (out.empty() ? "" : ", ") + name;
  return out;
}

template <class V>
std::shared_ptr<V> shown(const std::weak_ptr<V>& view) {
  auto v = view.lock();
  if (v) v->setHidden(false);
  return v;
}

// Picking row i of a default list means the i-th entry with a text: the
// rows leave the textless entries out.
template <class Entry>
std::optional<Entry> entryWithTextAt(const std::vector<Entry>& list, long row) {
  long seen = -1;
  for (const auto& entry : list) {
    if (!entry.textt) continue;
    if (++seen == row) return entry;
  }
  return std::nullopt;
}

// The entries of the picked building, and the first of them that is checked.
template <class Entry>
void narrowDefaults(const std::vector<TenantAssignAccessVC::Row>& loaded, std::vector<TenantAssignAccessVC::Row>& rows,
                    const std::string& buildingId, std::optional<Entry>& chosen, std::string& chosenText) {
  for (std::size_t k = 0; k < loaded.size(); ++k) {
    const auto* list = std::get_if<std::vector<Entry>>(&loaded[k]);
    if (!list) continue;
    std::vector<Entry> kept;
    for (const auto& entry : *list) {
      if (entry.buidlingID.value_or("") == buildingId) kept.push_back(entry);
    }
    chosen.reset();
    for (const auto& entry : kept) {
      if (entry.isChecked.value_or(false)) {
        chosen = entry;
        break;
      }
    }
    chosenText = chosen ? chosen->textt.value_or("") : "";
    if (k < rows.size()) rows[k] = std::move(kept);
    return;
  }
}

}  // namespace

// ---- set-up ----

void TenantAssignAccessVC::setTblAssginAccess(const std::shared_ptr<uikit::TableView>& table) {
  tblAssginAccess_ = table;
  if (!table) return;
  table->registerNib(uikit::Nib::named(TenantAsssignAccessCell::kNibName), kCellId);
  table->separatorStyle = uikit::TableViewCellSeparatorStyle::kNone;
  auto& layer = table->layer();
  layer.cornerRadius = 5.0;
  layer.borderWidth = 1.0;
  layer.masksToBounds = true;
  layer.borderColor = uikit::Color::rgb255(180, 180, 180);
}

double TenantAssignAccessVC::maximumTableHeight() {
  const double screenHeight = uikit::Device::screenBounds().height();
  const double newWindowTop = std::make_shared<uikit::Window>()->safeAreaInsets().top;
  uikit::EdgeInsets first;
  const auto windows = uikit::Application::shared().windows();
  if (!windows.empty() && windows.front()) first = windows.front()->safeAreaInsets();
  return screenHeight - (newWindowTop + kNavigationBarHeight) - first.top - first.bottom - kAssignButtonSpace -
         kHeaderSpace;
}

void TenantAssignAccessVC::viewDidLoad() {
  SuperViewController::viewDidLoad();
  tblMaxHeight = maximumTableHeight();
  std::weak_ptr<TenantAssignAccessVC> weakSelf = sharedAs<TenantAssignAccessVC>();
  if (auto table = tblAssginAccess()) {
    contentSizeObservation_ = table->observeContentSize([weakSelf](uikit::Size) {
      if (auto self = weakSelf.lock()) self->updateTableHeight();
    });
  }
  setTitle("Assign Access");

  if (!isFromUserDashboard) {
    if (!userId) return;
    AppLoader::shared().showWithBlankMessage();
    vmBaseAssignAccess->requestBaseAssignAccess(*userId, [weakSelf](DataResponse<MDLBaseAssignAccess> response) {
      if (auto self = weakSelf.lock()) self->handleBaseAssignAccessReply(response);
    });
    return;
  }
  AppLoader::shared().showWithBlankMessage();
  vmBaseVisitor->requestBaseVisitor([weakSelf](DataResponse<MDLBaseVisitor> response) {
    if (auto self = weakSelf.lock()) self->handleBaseVisitorReply(response);
  });
}

void TenantAssignAccessVC::reloadTableNow() {
  if (auto table = tblAssginAccess()) table->reloadData();
}

void TenantAssignAccessVC::reloadTableLater() {
  std::weak_ptr<TenantAssignAccessVC> weakSelf = sharedAs<TenantAssignAccessVC>();
  platform::RunLoop::main().async([weakSelf] {
    if (auto self = weakSelf.lock()) self->reloadTableNow();
  });
}

// ---- the loads ----

// Both loads start from an empty table; a reply that is not a success says
// why and leaves it empty.
template <class Record>
const Record* TenantAssignAccessVC::beginReply(const DataResponse<Record>& response) {
  arrData.clear();
  tempArrData.clear();
  reloadTableNow();
  const Record* reply = response.value ? recordOf(*response.value) : nullptr;
  if (!reply) {
    showResponseErrorAlert(sharedAs<TenantAssignAccessVC>(), std::nullopt, {AAction::Ok}, nullptr, response);
    return nullptr;
  }
  if (!reply->isSuccess.value_or(false)) {
    showFailureToast(response, reply->message);
    return nullptr;
  }
  return reply;
}

void TenantAssignAccessVC::appendRow(Row row) {
  arrData.push_back(row);
  tempArrData.push_back(std::move(row));
}

void TenantAssignAccessVC::handleBaseAssignAccessReply(const DataResponse<MDLBaseAssignAccess>& response) {
  const MDLBaseAssignAccess* reply = beginReply(response);
  if (!reply) return;
  auto append = [this](Row row) { appendRow(std::move(row)); };
  if (reply->buildingList) {
    for (const auto& building : *reply->buildingList) append(building);
  }
  if (reply->twoWheelerParkingList && !reply->twoWheelerParkingList->empty()) append(*reply->twoWheelerParkingList);
  if (reply->fourWheelerParkingList && !reply->fourWheelerParkingList->empty()) append(*reply->fourWheelerParkingList);
  reloadTableLater();
}

void TenantAssignAccessVC::handleBaseVisitorReply(const DataResponse<MDLBaseVisitor>& response) {
  const MDLBaseVisitor* reply = beginReply(response);
  if (!reply) return;
  auto append = [this](Row row) { appendRow(std::move(row)); };
  if (reply->buildingList) {
    arrBuildingList = *reply->buildingList;
    if (!reply->buildingList->empty()) append(reply->buildingList->front());
  }
  if (reply->twoWheelerParkingList && !reply->twoWheelerParkingList->empty()) append(*reply->twoWheelerParkingList);
  if (reply->fourWheelerParkingList && !reply->fourWheelerParkingList->empty()) append(*reply->fourWheelerParkingList);
  if (reply->defaultUpList && !reply->defaultUpList->empty()) append(*reply->defaultUpList);
  if (reply->defaultDownList && !reply->defaultDownList->empty()) append(*reply->defaultDownList);
  reloadTableLater();
}

// ---- rows ----

long TenantAssignAccessVC::tableViewNumberOfRowsInSection(uikit::TableView&, long) {
  return static_cast<long>(arrData.size());
}

std::shared_ptr<uikit::TableViewCell> TenantAssignAccessVC::tableViewCellForRowAtIndexPath(
    uikit::TableView& tableView, const uikit::IndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<TenantAsssignAccessCell>(tableView.dequeueReusableCellWithIdentifier(kCellId));
  if (!cell) return std::make_shared<uikit::TableViewCell>();
  for (const auto& button : {cell->btnBuilding, cell->btnTwoWheeler, cell->btnFourWheeler}) {
    if (auto b = button.lock()) b->setHidden(true);
  }
  const auto row = static_cast<std::size_t>(std::max(0L, indexPath.row));
  if (row < arrData.size()) {
    std::visit(
        [&](const auto& element) {
          using T = std::decay_t<decltype(element)>;
          if constexpr (std::is_same_v<T, Building>) {
            if (!element) return;
            if (isFromUserDashboard) {
              setUpBuildingDropDown(*cell, element);
            } else {
              setUpBuildingRow(*cell, element, row);
            }
          } else if constexpr (std::is_same_v<T, TwoWheelers>) {
            setUpTwoWheelers(*cell, element);
          } else if constexpr (std::is_same_v<T, FourWheelers>) {
            setUpFourWheelers(*cell, element);
          } else if constexpr (std::is_same_v<T, std::vector<DefaultUpList>>) {
            setUpDefaultUp(*cell, element);
          } else if constexpr (std::is_same_v<T, std::vector<DefaultDownList>>) {
            setUpDefaultDown(*cell, element);
          }
        },
        arrData[row]);
  }
  cell->selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
  return cell;
}

namespace {

// The building's toggle: its tick lives in the shared building object.
void setUpBuildingButton(TenantAssignAccessVC& screen, TenantAsssignAccessCell& cell,
                         const TenantAssignAccessVC::Building& building, CellType layout) {
  auto button = shown(cell.btnBuilding);
  if (button) {
    button->setSelected(building->isSelected);
    button->setTitle(building->text.value_or(""), uikit::kControlStateNormal);
  }
  cell.arrFloors = building->floorList.value_or(std::vector<std::shared_ptr<MDLBaseAssignFloor>>{});
  if (auto grid = cell.colViewFloors()) grid->reloadData();
  cell.updateLayout(layout);
  if (!button) return;
  std::weak_ptr<TenantAssignAccessVC> weakSelf = screen.sharedAs<TenantAssignAccessVC>();
  std::weak_ptr<TenantAsssignAccessCell> weakCell = cell.sharedAs<TenantAsssignAccessCell>();
  TapActions::addAction(button, [weakSelf, weakCell, building, layout](uikit::Button& tapped) {
    auto self = weakSelf.lock();
    if (!self) return;
    tapped.setSelected(!tapped.isSelected());
    building->isSelected = tapped.isSelected();
    if (auto c = weakCell.lock()) c->updateLayout(layout);
    if (auto table = self->tblAssginAccess()) table->reloadData();
  });
}

std::vector<TextFieldInput::Row> floorRows(const MDLBaseAssignAccessBuilding& building) {
  std::vector<TextFieldInput::Row> rows;
  if (building.floorList) {
    for (const auto& floor : *building.floorList) {
      rows.emplace_back(floor ? floor->dictionary() : MDLBaseAssignFloor{}.dictionary());
    }
  }
  return rows;
}

}  // namespace

void TenantAssignAccessVC::setUpBuildingRow(TenantAsssignAccessCell& cell, const Building& building, std::size_t row) {
  setUpBuildingButton(*this, cell, building, CellType::building);
  std::weak_ptr<TenantAssignAccessVC> weakSelf = sharedAs<TenantAssignAccessVC>();
  struct Slot {
    std::weak_ptr<SimpleTextField> field;
    std::weak_ptr<uikit::ImageView> image;
    const char* title;
    const char* chosenImage;
    const char* emptyImage;
    const char* consoleName;
    std::shared_ptr<MDLBaseAssignFloor> MDLBaseAssignAccessBuilding::*member;
  };
  const Slot slots[] = {
      {cell.txtFieldUpFloor, cell.imgVwUpFloor, kDefaultUpTitle, "liftupgreen", "liftupgray", "txtFieldUpFloor",
       &MDLBaseAssignAccessBuilding::defaultUp},
      {cell.txtFieldDownFloor, cell.imgVwDownFloor, kDefaultDownTitle, "liftdowngreen", "liftdowngray",
       "txtFieldDownFloor", &MDLBaseAssignAccessBuilding::defaultDown},
  };
  for (const Slot& slot : slots) {
    const auto& chosen = (*building).*slot.member;
    if (auto image = slot.image.lock()) image->setImage(uikit::Image::named(chosen ? slot.chosenImage : slot.emptyImage));
    auto field = slot.field.lock();
    if (!field) continue;
    field->setAccessibilityIdentifier(slot.consoleName);
    field->setPlaceholder(slot.title);
    field->setText(chosen ? chosen->text.value_or("") : slot.title);
    std::weak_ptr<SimpleTextField> weakField = field;
    auto member = slot.member;
    TextFieldInput::of(field)->setDictionaryPickerInput(
        "text", floorRows(*building), [weakSelf, weakField, building, member, row](const std::string&, long index, long) {
          auto self = weakSelf.lock();
          if (!self || !building->floorList || index < 0 ||
              static_cast<std::size_t>(index) >= building->floorList->size()) {
            return;
          }
          const auto& floor = (*building->floorList)[static_cast<std::size_t>(index)];
          if (auto f = weakField.lock()) f->setText(floor ? floor->text.value_or("") : "");
          (*building).*member = floor;
          if (row < self->arrData.size()) self->arrData[row] = building;
          self->reloadTableLater();
        });
  }
}

void TenantAssignAccessVC::setUpBuildingDropDown(TenantAsssignAccessCell& cell, const Building& building) {
  auto field = cell.txtFieldUpFloor.lock();
  if (field) {
    field->setAccessibilityIdentifier("txtBuilding");
    field->setPlaceholder(kSelectBuildingTitle);
    field->setText(selectedBuildingObject ? selectedBuildingObject->text.value_or("") : kSelectBuildingTitle);
  }
  setUpBuildingButton(*this, cell, building, CellType::buildingDDL);
  if (!field) return;
  std::vector<TextFieldInput::Row> rows;
  if (arrBuildingList) {
    for (const auto& b : *arrBuildingList) {
      if (!b) continue;
      rows.emplace_back(TextFieldInput::ValueDictionary{{"value", platform::Value(b->value.value_or(""))},
                                                        {"text", platform::Value(b->text.value_or(""))},
                                                        {"isSelected", platform::Value(b->isSelected)}});
    }
  }
  std::weak_ptr<TenantAssignAccessVC> weakSelf = sharedAs<TenantAssignAccessVC>();
  TextFieldInput::of(field)->setDictionaryPickerInput("text", std::move(rows),
                                                      [weakSelf](const std::string&, long index, long) {
                                                        if (auto self = weakSelf.lock()) self->selectBuilding(index);
                                                      });
}

namespace {

// A parking row: its toggle ticks the whole row on the screen, the grid
// lists the spaces.
template <class List>
void setUpParkingRow(TenantAssignAccessVC& screen, TenantAsssignAccessCell& cell,
                     const std::weak_ptr<GenericButton>& toggle, const char* title,
                     bool TenantAssignAccessVC::*ticked, List TenantAsssignAccessCell::*spaces, const List& list,
                     CellType layout) {
  auto button = shown(toggle);
  if (button) {
    button->setTitle(title, uikit::kControlStateNormal);
    button->setSelected(screen.*ticked);
  }
  cell.*spaces = list;
  if (auto grid = cell.colViewFloors()) grid->reloadData();
  cell.updateLayout(layout);
  if (!button) return;
  std::weak_ptr<TenantAssignAccessVC> weakSelf = screen.sharedAs<TenantAssignAccessVC>();
  std::weak_ptr<TenantAsssignAccessCell> weakCell = cell.sharedAs<TenantAsssignAccessCell>();
  TapActions::addAction(button, [weakSelf, weakCell, ticked, layout](uikit::Button& tapped) {
    auto self = weakSelf.lock();
    if (!self) return;
    tapped.setSelected(!tapped.isSelected());
    (*self).*ticked = tapped.isSelected();
    if (auto c = weakCell.lock()) c->updateLayout(layout);
    if (auto table = self->tblAssginAccess()) {
      std::weak_ptr<uikit::TableView> weakTable = table;
      platform::RunLoop::main().async([weakTable] {
        if (auto t = weakTable.lock()) t->reloadData();
      });
    }
  });
}

}  // namespace

void TenantAssignAccessVC::setUpTwoWheelers(TenantAsssignAccessCell& cell, const TwoWheelers& list) {
  setUpParkingRow(*this, cell, cell.btnTwoWheeler, "Two Wheeler Parking", &TenantAssignAccessVC::isTwoWheelerSelected,
                  &TenantAsssignAccessCell::arrTwoWheeler, list, CellType::twoWheeler);
}

void TenantAssignAccessVC::setUpFourWheelers(TenantAsssignAccessCell& cell, const FourWheelers& list) {
  setUpParkingRow(*this, cell, cell.btnFourWheeler, "Four Wheeler Parking",
                  &TenantAssignAccessVC::isFourWheelerSelected, &TenantAsssignAccessCell::arrFourWheeler, list,
                  CellType::fourWheeler);
}

namespace {

// A default-floor drop-down row of the invitation: its title button, the
// list picker over the entries' texts and the screen's choice.
template <class Entry>
void setUpDefaultRow(TenantAssignAccessVC& screen, TenantAsssignAccessCell& cell, const std::vector<Entry>& list,
                     const char* title, const char* placeholder, const char* consoleName,
                     std::string TenantAssignAccessVC::*chosenText,
                     std::optional<Entry> TenantAssignAccessVC::*chosen) {
  auto button = shown(cell.btnBuilding);
  if (button) button->setTitle(title, uikit::kControlStateNormal);
  if (auto grid = cell.colViewFloors()) grid->reloadData();
  cell.updateLayout(CellType::buildingDDL);
  std::weak_ptr<TenantAssignAccessVC> weakSelf = screen.sharedAs<TenantAssignAccessVC>();
  std::weak_ptr<TenantAsssignAccessCell> weakCell = cell.sharedAs<TenantAsssignAccessCell>();
  if (button) {
    TapActions::addAction(button, [weakSelf, weakCell](uikit::Button&) {
      auto self = weakSelf.lock();
      if (!self) return;
      if (auto c = weakCell.lock()) c->updateLayout(CellType::building);
      if (auto table = self->tblAssginAccess()) {
        std::weak_ptr<uikit::TableView> weakTable = table;
        platform::RunLoop::main().async([weakTable] {
          if (auto t = weakTable.lock()) t->reloadData();
        });
      }
    });
  }
  auto field = cell.txtFieldUpFloor.lock();
  if (!field) return;
  field->setAccessibilityIdentifier(consoleName);
  field->setPlaceholder(placeholder);
  const std::string& current = screen.*chosenText;
  field->setText(current.empty() ? std::string(placeholder) : current);
  std::vector<TextFieldInput::Row> rows;
  for (const auto& entry : list) {
    if (entry.textt) rows.emplace_back(*entry.textt);
  }
  std::weak_ptr<SimpleTextField> weakField = field;
  TextFieldInput::of(field)->setListPickerInput(
      std::move(rows), current, [weakSelf, weakField, list, chosenText, chosen](const std::string& text, long row, long) {
        auto self = weakSelf.lock();
        if (!self) return;
        (*self).*chosen = entryWithTextAt(list, row);
        (*self).*chosenText = text;
        if (auto f = weakField.lock()) f->setText(text);
        if (auto table = self->tblAssginAccess()) {
          std::weak_ptr<uikit::TableView> weakTable = table;
          platform::RunLoop::main().async([weakTable] {
            if (auto t = weakTable.lock()) t->reloadData();
          });
        }
      });
}

}  // namespace

void TenantAssignAccessVC::setUpDefaultUp(TenantAsssignAccessCell& cell, const std::vector<DefaultUpList>& list) {
  cell.arrDefaultUp = list;
  setUpDefaultRow(*this, cell, list, "Default Up", kSelectDefaultUpTitle, "txtDefaultUp",
                  &TenantAssignAccessVC::selectedDefaultUpStr, &TenantAssignAccessVC::objSelectedDefaultUp);
}

void TenantAssignAccessVC::setUpDefaultDown(TenantAsssignAccessCell& cell, const std::vector<DefaultDownList>& list) {
  cell.arrDefaultDown = list;
  setUpDefaultRow(*this, cell, list, "Default Down", kSelectDefaultDownTitle, "txtDefaultDown",
                  &TenantAssignAccessVC::selectedDefaultDownStr, &TenantAssignAccessVC::objSelectedDefaultDown);
}

void TenantAssignAccessVC::selectBuilding(long index) {
  if (!arrBuildingList) return;
  for (const auto& building : *arrBuildingList) {
    if (building) building->isSelected = false;
  }
  if (index < 0 || static_cast<std::size_t>(index) >= arrBuildingList->size()) return;
  const auto& building = (*arrBuildingList)[static_cast<std::size_t>(index)];
  if (!building) return;
  building->isSelected = true;
  selectedBuildingObject = building;
  // The drop-down row shows the pick at once; the reload keeps it.
  if (auto table = tblAssginAccess()) {
    for (const auto& visible : table->visibleCells()) {
      auto cell = std::dynamic_pointer_cast<TenantAsssignAccessCell>(visible);
      auto path = cell ? table->indexPathForCell(*cell) : std::nullopt;
      if (!path || static_cast<std::size_t>(path->row) >= arrData.size()) continue;
      if (std::holds_alternative<Building>(arrData[static_cast<std::size_t>(path->row)])) {
        if (auto field = cell->txtFieldUpFloor.lock()) field->setText(building->text.value_or(""));
      }
    }
  }
  // Each default list is found by its kind wherever it stands, since a
  // missing parking list moves it up.
  const std::string buildingId = building->value.value_or("");
  narrowDefaults(tempArrData, arrData, buildingId, objSelectedDefaultUp, selectedDefaultUpStr);
  narrowDefaults(tempArrData, arrData, buildingId, objSelectedDefaultDown, selectedDefaultDownStr);
  reloadTableLater();
}

void TenantAssignAccessVC::updateTableHeight() {
  auto table = tblAssginAccess();
  auto height = cnTblAssignAccessHeight();
  if (!table || !height) return;
  table->flashScrollIndicators();
  height->setConstant(table->contentSize().height);
  if (tblMaxHeight <= height->constant()) height->setConstant(tblMaxHeight - kHeightSlack);
  uikit::View::performWithoutAnimation([this] {
    if (auto v = view()) v->layoutIfNeeded();
  });
}

// ---- the assign button ----

void TenantAssignAccessVC::btnAssignAccessClicked() { validateAndConfirm(); }

void TenantAssignAccessVC::showCheckMessage(const std::string& message) {
  AlertPresenter::showAlert(*this, AppAlert(AppAlert::Alert).rawValue(), message, uikit::AlertControllerStyle::kAlert,
                            {AAction::Ok});
}

void TenantAssignAccessVC::checkBuilding(const MDLBaseAssignAccessBuilding& building,
                                         std::vector<std::string>& withoutFloors,
                                         std::vector<std::string>& withoutDefaults) const {
  const bool anyFloor = building.floorList && std::any_of(building.floorList->begin(), building.floorList->end(),
                                                          [](const auto& floor) {
                                                            return floor && floor->isSelected.value_or(false);
                                                          });
  if (!anyFloor) withoutFloors.push_back(building.text.value_or(""));
  if (!building.defaultUp || !building.defaultDown) withoutDefaults.push_back(building.text.value_or(""));
}

void TenantAssignAccessVC::validateAndConfirm() {
  Buildings buildings;
  if (isFromUserDashboard) {
    if (!selectedBuildingObject) {
      showCheckMessage(Validation(Validation::selectBuilding).rawValue());
      return;
    }
  } else {
    for (const auto& row : arrData) {
      const auto* building = std::get_if<Building>(&row);
      if (building && *building && (*building)->isSelected) buildings.push_back(*building);
    }
    if (buildings.empty()) {
      showCheckMessage(Validation(Validation::selectOneItem).rawValue());
      return;
    }
    std::vector<std::string> withoutFloors;
    std::vector<std::string> withoutDefaults;
    for (const auto& building : buildings) checkBuilding(*building, withoutFloors, withoutDefaults);
    if (!withoutDefaults.empty()) {
      showCheckMessage("Please select any default up/down from " + joined(withoutDefaults));
      return;
    }
    if (!withoutFloors.empty()) {
      showCheckMessage("Please select any floor from " + joined(withoutFloors));
      return;
    }
  }

  TwoWheelers twoWheelers;
  if (isTwoWheelerSelected) {
    for (const auto& row : arrData) {
      const auto* list = std::get_if<TwoWheelers>(&row);
      if (!list) continue;
      if (std::none_of(list->begin(), list->end(), [](const auto& e) { return e && e->isSelected.value_or(false); })) {
        showCheckMessage(Validation(Validation::select2Wheeler).rawValue());
        return;
      }
      twoWheelers = *list;
      break;
    }
  }
  FourWheelers fourWheelers;
  if (isFourWheelerSelected) {
    for (const auto& row : arrData) {
      const auto* list = std::get_if<FourWheelers>(&row);
      if (!list) continue;
      if (std::none_of(list->begin(), list->end(), [](const auto& e) { return e && e->isSelected.value_or(false); })) {
        showCheckMessage(Validation(Validation::select4Wheeler).rawValue());
        return;
      }
      fourWheelers = *list;
      break;
    }
  }

  const bool invitation = isFromUserDashboard;
  const std::string message = invitation ? "Are you sure you want to send an invitation?"
                                         : "Are you sure you want to assign these access to " +
                                               userName.value_or("") + "?";
  std::weak_ptr<TenantAssignAccessVC> weakSelf = sharedAs<TenantAssignAccessVC>();
  AlertPresenter::showAlert(
      *this, AppAlert(AppAlert::Confirm).rawValue(), message, uikit::AlertControllerStyle::kAlert,
      {AAction::Okay, AAction::Cancel},
      [weakSelf, invitation, buildings, twoWheelers, fourWheelers](const AAction& action) {
        if (!(action == AAction::Okay)) return;
        auto self = weakSelf.lock();
        if (!self) return;
        if (invitation) {
          self->sendInvitation(buildings, twoWheelers, fourWheelers);
        } else {
          self->sendAssignAccess(buildings, twoWheelers, fourWheelers);
        }
      });
}

void TenantAssignAccessVC::sendAssignAccess(Buildings buildings, TwoWheelers twoWheelers, FourWheelers fourWheelers) {
  if (!userId) return;
  auto self = sharedAs<TenantAssignAccessVC>();
  AppLoader::shared().showWithMessage(self, LoaderMsg(LoaderMsg::wait).rawValue());
  std::weak_ptr<TenantAssignAccessVC> weakSelf = self;
  vmAssignAccess->requestAssignAccess(*userId, buildings, twoWheelers, fourWheelers,
                                      [weakSelf](DataResponse<MDLAssignAccess> response) {
                                        if (auto screen = weakSelf.lock()) screen->handleAssignAccessReply(response);
                                      });
}

void TenantAssignAccessVC::sendInvitation(Buildings buildings, TwoWheelers twoWheelers, FourWheelers fourWheelers) {
  (void)buildings;  // an invitation carries one building, by id
  VisitorInvitation invitation;
  invitation.firstName = firstName.value_or("");
  invitation.lastName = lastName.value_or("");
  invitation.category = category.value_or("");
  invitation.mobileNumber = mobileNumber.value_or("");
  invitation.email = email.value_or("");
  invitation.purposeVisit = purposeVisit.value_or("");
  invitation.companyName = companyName.value_or("");
  invitation.expectedDate = expectedDate.value_or("");
  invitation.expectedTime = expectedTime.value_or("");
  invitation.meetingHours = meetingHours.value_or("");
  invitation.buildingId = selectedBuildingObject ? selectedBuildingObject->value.value_or("") : "";
  invitation.defaultUpFloor = objSelectedDefaultUp ? objSelectedDefaultUp->valuee.value_or("") : "";
  invitation.defaultDownFloor = objSelectedDefaultDown ? objSelectedDefaultDown->valuee.value_or("") : "";
  invitation.twoWheelers = std::move(twoWheelers);
  invitation.fourWheelers = std::move(fourWheelers);
  AppLoader::shared().showWithBlankMessage();
  std::weak_ptr<TenantAssignAccessVC> weakSelf = sharedAs<TenantAssignAccessVC>();
  vmInviteVisitor->requestInviteVisitor(invitation, [weakSelf](DataResponse<MDLInviteVisitor> response) {
    if (auto screen = weakSelf.lock()) screen->handleInviteReply(response);
  });
}

namespace {

template <class R>
void handleSubmitReply(TenantAssignAccessVC& screen, const DataResponse<R>& response, bool invitation,
                       const std::function<void(bool)>& showPopup) {
  const R* reply = response.value ? recordOf(*response.value) : nullptr;
  if (!reply) {
    showResponseErrorAlert(screen.sharedAs<TenantAssignAccessVC>(), std::nullopt, {AAction::Ok}, nullptr, response);
    return;
  }
  if (!reply->isSuccess.value_or(false)) {
    showResponseErrorAlert(screen.sharedAs<TenantAssignAccessVC>(), reply->message, {AAction::Ok}, nullptr, response);
    return;
  }
  std::weak_ptr<TenantAssignAccessVC> weakSelf = screen.sharedAs<TenantAssignAccessVC>();
  platform::RunLoop::main().asyncAfter(TenantAssignAccessVC::kSuccessDelay, [weakSelf, showPopup, invitation] {
    if (weakSelf.lock()) showPopup(invitation);
  });
}

}  // namespace

void TenantAssignAccessVC::handleAssignAccessReply(const DataResponse<MDLAssignAccess>& response) {
  std::weak_ptr<TenantAssignAccessVC> weakSelf = sharedAs<TenantAssignAccessVC>();
  handleSubmitReply(*this, response, false, [weakSelf](bool invitation) {
    if (auto self = weakSelf.lock()) self->showSuccessPopup(invitation);
  });
}

void TenantAssignAccessVC::handleInviteReply(const DataResponse<MDLInviteVisitor>& response) {
  std::weak_ptr<TenantAssignAccessVC> weakSelf = sharedAs<TenantAssignAccessVC>();
  handleSubmitReply(*this, response, true, [weakSelf](bool invitation) {
    if (auto self = weakSelf.lock()) self->showSuccessPopup(invitation);
  });
}

void TenantAssignAccessVC::showSuccessPopup(bool invitation) {
  auto popup = SuccessPopup::shared();
  if (!popup) return;
  // The popup is shared: each road sets its own text so neither shows the
  // other's.
  if (auto label = popup->lbSuccess.lock()) label->setText(invitation ? kInvitedText : kAssignedText);
  auto self = sharedAs<TenantAssignAccessVC>();
  PopUpOverlayPresenter::presentPopUpOverlay(self, popup, false, true, PopUpPresentType::none, nullptr);
  std::weak_ptr<TenantAssignAccessVC> weakSelf = self;
  std::weak_ptr<SuccessPopup> weakPopup = popup;
  platform::RunLoop::main().asyncAfter(kPopupDuration, [weakSelf, weakPopup, invitation] {
    auto screen = weakSelf.lock();
    if (!screen) return;
    auto overlay = PopUpOverlayPresenter::popUpOverlay(screen);
    if (!overlay) return;
    overlay->dismiss(weakPopup.lock(), [weakSelf, invitation] {
      auto s = weakSelf.lock();
      auto navigation = s ? s->navigationController() : nullptr;
      if (!navigation) return;
      if (invitation) {
        navigation->popToRootViewController(true);
      } else {
        navigation->popViewController(true);
      }
    });
  });
}

// ---- the scene ----

void TenantAssignAccessVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "TenantAssignAccessVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<TenantAssignAccessVC>();
    const uikit::Rect screen = uikit::Device::screenBounds();
    const double width = screen.size.width;
    auto view = uikit::View::make(screen);
    view->setBackgroundColor(uikit::Color::white());
    auto table = std::make_shared<uikit::TableView>(uikit::Rect(16, kHeaderSpace + 47 + kNavigationBarHeight,
                                                                width - 32, 0),
                                                    uikit::TableViewStyle::kPlain);
    table->setAccessibilityIdentifier("tblAssginAccess");
    table->rowHeight = uikit::TableView::kAutomaticDimension;
    table->estimatedRowHeight = kEstimatedRowHeight;
    table->setTranslatesAutoresizingMaskIntoConstraints(false);
    auto assign = uikit::Button::withType(uikit::ButtonType::kSystem);
    assign->setTitle("Assign", uikit::kControlStateNormal);
    assign->setAccessibilityIdentifier("btnAssignAccess");
    assign->setTranslatesAutoresizingMaskIntoConstraints(false);
    view->addSubview(table);
    view->addSubview(assign);
    auto height = table->heightAnchor().constraintEqualToConstant(0);
    uikit::LayoutConstraint::activate({
        table->topAnchor().constraintEqualToAnchor(view->topAnchor(), kHeaderSpace + 47 + kNavigationBarHeight),
        table->leadingAnchor().constraintEqualToAnchor(view->leadingAnchor(), 16),
        table->trailingAnchor().constraintEqualToAnchor(view->trailingAnchor(), -16),
        height,
        assign->topAnchor().constraintEqualToAnchor(table->bottomAnchor(), 10),
        assign->centerXAnchor().constraintEqualToAnchor(view->centerXAnchor()),
        assign->heightAnchor().constraintEqualToConstant(44),
        assign->widthAnchor().constraintEqualToConstant(160),
    });
    contents.controller = controller;
    contents.view = view;
    std::weak_ptr<TenantAssignAccessVC> weak = controller;
    contents.outlets = {
        {"tblAssginAccess",
         [weak, table] {
           auto c = weak.lock();
           if (!c) return;
           c->setTblAssginAccess(table);
           table->setDataSource(c);
           table->setDelegate(c);
         }},
        {"cnTblAssignAccessHeight", [weak, height] { if (auto c = weak.lock()) c->setCnTblAssignAccessHeight(height); }},
        {"btnAssignAccess",
         [weak, assign] {
           TapActions::addAction(assign, [weak](uikit::Button&) {
             if (auto c = weak.lock()) c->btnAssignAccessClicked();
           });
         }},
    };
    return contents;
  });
}
