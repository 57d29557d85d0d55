#include "Facility/Screens/InviteUserVC.h"

#include <functional>
#include <utility>

#include "Facility/Screens/SharedDateFormatter.h"
#include "Facility/Screens/StoryboardName.h"
#include "Facility/Screens/TenantAssignAccessVC.h"
#include "Facility/Support/StringHelpers.h"
#include "Facility/Widgets/AAction.h"
#include "Facility/Widgets/AlertPresenter.h"
#include "Facility/Widgets/AppAlert.h"
#include "Facility/Widgets/FieldLength.h"
#include "Facility/Widgets/TapActions.h"
#include "Facility/Widgets/TextFieldDecor.h"
#include "Facility/Widgets/TextFieldInput.h"
#include "Facility/Widgets/Validation.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/Utf8.h"
#include "Platform/UIKit/Button.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/NavigationController.h"
#include "Platform/UIKit/Nib.h"
#include "Platform/UIKit/Responder.h"
#include "Platform/UIKit/Storyboard.h"

namespace {

constexpr const char* kDateFormat = "dd/MM/yyyy";
constexpr const char* kTimeFormat = "HH:mm";
constexpr const char* kNoMeeting = "00:00";

bool isEmpty(const std::string& text) { return platform::Utf8::isBlank(text); }

// The field's name on the console (type, select).
std::string consoleName(InviteUserVC::FieldName name) {
  using F = InviteUserVC::FieldName;
  switch (name) {
    case F::firstName: return "firstName";
    case F::lastName: return "lastName";
    case F::category: return "category";
    case F::mobileNumber: return "mobileNumber";
    case F::emailID: return "emailID";
    case F::purposeOfVisit: return "purposeOfVisit";
    case F::companyName: return "companyName";
    case F::expectedDate: return "expectedDate";
    case F::expectedTime: return "expectedTime";
    case F::meetingHours: return "meetingHours";
  }
  return "";
}

}  // namespace

std::vector<InviteUserVC::InviteUserField> InviteUserVC::formFields() {
  return {
      {"First Name:", "", FieldType::txtField, "", FieldName::firstName},
      {"Last Name:", "", FieldType::txtField, "", FieldName::lastName},
      {"Category:", "", FieldType::ddl, "", FieldName::category},
      {"Mobile No:", "", FieldType::numberPad, "", FieldName::mobileNumber},
      {"Email ID:", "", FieldType::txtField, "", FieldName::emailID},
      {"Purpose Of Visit:", "", FieldType::txtField, "", FieldName::purposeOfVisit},
      {"Company Name:", "", FieldType::txtField, "", FieldName::companyName},
      {"Expected Date:", "DD/MM/YYYY", FieldType::ddl, "", FieldName::expectedDate},
      {"Time:", "HH:mm", FieldType::ddl, "", FieldName::expectedTime},
      {"Meeting Hours:", "HH:mm", FieldType::txtField, "", FieldName::meetingHours},
  };
}

void InviteUserVC::setTblInviteUser(const std::shared_ptr<uikit::TableView>& table) {
  tblInviteUser_ = table;
  if (!table) return;
  table->registerNib(uikit::Nib::named(InviteUserCell::kNibName), kCellId);
  table->separatorStyle = uikit::TableViewCellSeparatorStyle::kNone;
}

void InviteUserVC::viewDidLoad() {
  SuperViewController::viewDidLoad();
  setTitle("Invite Visitor");
  arrData = formFields();
  if (auto table = tblInviteUser()) table->reloadData();
}

long InviteUserVC::tableViewNumberOfRowsInSection(uikit::TableView&, long) {
  return static_cast<long>(arrData.size());
}

std::shared_ptr<uikit::TableViewCell> InviteUserVC::tableViewCellForRowAtIndexPath(uikit::TableView& tableView,
                                                                                   const uikit::IndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<InviteUserCell>(tableView.dequeueReusableCellWithIdentifier(kCellId));
  const auto row = static_cast<std::size_t>(std::max(0L, indexPath.row));
  std::shared_ptr<uikit::TextField> field = cell ? cell->txtField.lock() : nullptr;
  if (!cell || !field || row >= arrData.size()) return std::make_shared<uikit::TableViewCell>();
  const InviteUserField entry = arrData[row];
  if (auto title = cell->lbTitle.lock()) title->setText(entry.label);
  field->setPlaceholder(entry.placeHolderText);
  field->setText(entry.text);
  // A reused row starts from nothing: no setting of another field stays.
  field->isSecureTextEntry = false;
  field->inputView = nullptr;
  field->keyboardType = uikit::KeyboardType::kDefault;
  auto input = TextFieldInput::of(field);
  input->resetInputSettings();
  field->autocapitalizationType = uikit::TextAutocapitalizationType::kNone;
  field->setRightView(nullptr);
  field->rightViewMode = uikit::TextFieldViewMode::kNever;
  field->setAccessibilityIdentifier(consoleName(entry.fieldName));

  std::weak_ptr<InviteUserVC> weakSelf = sharedAs<InviteUserVC>();
  switch (entry.fieldName) {
    case FieldName::firstName:
    case FieldName::lastName:
      input->setMaxLength(FieldLength::nameAndEmail);
      field->autocapitalizationType = uikit::TextAutocapitalizationType::kWords;
      break;
    case FieldName::category: {
      TextFieldDecor::setRightImageNamed(*field, "ddl_green", 10.0);
      input->setTypeDisable("true");
      std::vector<TextFieldInput::Row> rows;
      for (const auto& category : arrCategories) {
        rows.emplace_back(
            TextFieldInput::Dictionary{{"value", category.value.value_or("")}, {"text", category.text.value_or("")}});
      }
      input->setDictionaryPickerInput("text", std::move(rows), [weakSelf, row](const std::string&, long index, long) {
        if (auto self = weakSelf.lock()) self->categoryChosen(row, index);
      });
      cell->selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
      return cell;
    }
    case FieldName::mobileNumber:
      input->setMaxLength(FieldLength::mobile);
      field->keyboardType = uikit::KeyboardType::kNumberPad;
      break;
    case FieldName::emailID:
      input->setMaxLength(FieldLength::nameAndEmail);
      field->keyboardType = uikit::KeyboardType::kEmailAddress;
      break;
    case FieldName::purposeOfVisit:
      field->keyboardType = uikit::KeyboardType::kDefault;
      break;
    case FieldName::companyName:
      break;
    case FieldName::expectedDate:
    case FieldName::expectedTime: {
      const bool time = entry.fieldName == FieldName::expectedTime;
      input->datePicker()->datePickerMode = time ? uikit::DatePickerMode::kTime : uikit::DatePickerMode::kDate;
      std::weak_ptr<uikit::TextField> weakField = field;
      input->setDatePickerInput(time ? kTimeFormat : kDateFormat, time ? selectedTime : selectedDate, false,
                                [weakSelf, weakField, row, time](double date) {
                                  auto self = weakSelf.lock();
                                  if (!self) return;
                                  // The field shows the pick first: reloading its row ends its
                                  // editing, which stores the field's text.
                                  if (auto f = weakField.lock()) f->setText(formattedPick(date, time));
                                  self->datePicked(row, date, time);
                                });
      break;
    }
    case FieldName::meetingHours:
      input->setTypeDisable("true");
      cell->setTime(entry.text);
      cell->configureTimePicker([weakSelf, row](long hour, long minutes) {
        if (auto self = weakSelf.lock()) self->meetingHoursPicked(row, hour, minutes);
      });
      cell->selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
      return cell;
  }
  input->setSelectedIndexHandler(static_cast<long>(row), [weakSelf](uikit::TextField& edited, long index) {
    if (auto self = weakSelf.lock()) self->fieldEdited(static_cast<std::size_t>(index), edited.text().value_or(""));
  });
  cell->selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
  return cell;
}

void InviteUserVC::storeField(std::size_t row, const InviteUserField& field) {
  if (row >= arrData.size()) return;
  arrData[row] = field;
  if (auto table = tblInviteUser()) {
    table->reloadRowsAtIndexPaths({uikit::IndexPath::forRow(static_cast<long>(row), 0)}, uikit::TableViewRowAnimation::kNone);
  }
}

void InviteUserVC::fieldEdited(std::size_t row, const std::string& text) {
  if (row >= arrData.size()) return;
  InviteUserField field = arrData[row];
  switch (field.fieldName) {
    case FieldName::firstName: strFirstName = text; break;
    case FieldName::lastName: strLastName = text; break;
    case FieldName::mobileNumber: strMobileNumber = text; break;
    case FieldName::emailID: strEmailId = text; break;
    case FieldName::purposeOfVisit: strPurposeVisit = text; break;
    case FieldName::companyName: strCompanyName = text; break;
    default: platform::LogInfo("Default case it is: "); break;
  }
  field.text = text;
  storeField(row, field);
}

void InviteUserVC::categoryChosen(std::size_t row, long index) {
  if (row >= arrData.size() || index < 0 || static_cast<std::size_t>(index) >= arrCategories.size()) return;
  const auto& category = arrCategories[static_cast<std::size_t>(index)];
  strCategory = category.text.value_or("");
  strCategoryValue = category.value.value_or("");
  InviteUserField field = arrData[row];
  field.text = strCategory;
  storeField(row, field);
}

std::string InviteUserVC::formattedPick(double date, bool time) {
  auto& formatter = sharedDateFormatter();
  formatter.setDateFormat(time ? kTimeFormat : kDateFormat);
  return formatter.stringFromDate(platform::Date{date});
}

void InviteUserVC::datePicked(std::size_t row, double date, bool time) {
  const std::string text = formattedPick(date, time);
  if (time) {
    selectedTime = date;
    strExpectedTime = text;
  } else {
    selectedDate = date;
    strExpectedDate = text;
  }
  if (row < arrData.size()) {
    InviteUserField field = arrData[row];
    field.text = text;
    storeField(row, field);
  }
}

void InviteUserVC::meetingHoursPicked(std::size_t row, long hour, long minutes) {
  if (row >= arrData.size()) return;
  strMeetingHours = InviteUserCell::twoDigits(hour) + ":" + InviteUserCell::twoDigits(minutes);
  InviteUserField field = arrData[row];
  field.text = strMeetingHours;
  storeField(row, field);
}

void InviteUserVC::btnNextClicked() { validateInviteForm(); }

void InviteUserVC::showValidation(const std::string& message) {
  AlertPresenter::showAlert(*this, AppAlert(AppAlert::Alert).rawValue(), message, uikit::AlertControllerStyle::kAlert,
                            {AAction::Ok});
}

void InviteUserVC::validateInviteForm() {
  // The field being edited is stored first, so the checks see its text.
  if (auto editing = uikit::Responder::currentFirstResponder()) editing->resignFirstResponder();

  using V = Validation;
  const std::pair<bool, V::Case> checks[] = {
      {isEmpty(strFirstName), V::enterFirstName},
      {isEmpty(strLastName), V::enterLastName},
      {isEmpty(strCategory), V::selectCategory},
      {isEmpty(strMobileNumber), V::enterMobile},
      {!StringHelpers::isValidPhoneCharacters(strMobileNumber), V::enterValidMobile},
      {isEmpty(strEmailId), V::enterEmail},
      {!StringHelpers::isValidEmail(strEmailId), V::enterValidEmail},
      {isEmpty(strPurposeVisit), V::enterPurposeOfVisit},
      {isEmpty(strCompanyName), V::enterCompanyName},
      {isEmpty(strExpectedDate), V::enterExpectedDate},
      {isEmpty(strExpectedTime), V::enterExpectedTime},
      {isEmpty(strMeetingHours) || strMeetingHours == kNoMeeting, V::enterMeetingHours},
  };
  for (const auto& [failed, message] : checks) {
    if (failed) {
      showValidation(V(message).rawValue());
      return;
    }
  }

  auto next = uikit::ViewController::instantiateFromStoryboard<TenantAssignAccessVC>(TenantAssignAccessVC::kStoryboard);
  if (!next) return;
  next->isFromUserDashboard = true;
  next->firstName = strFirstName;
  next->lastName = strLastName;
  next->category = strCategoryValue;
  next->mobileNumber = strMobileNumber;
  next->email = strEmailId;
  next->purposeVisit = strPurposeVisit;
  next->companyName = strCompanyName;
  next->expectedDate = strExpectedDate;
  next->expectedTime = strExpectedTime;
  next->meetingHours = strMeetingHours;
  if (auto navigation = navigationController()) navigation->pushViewController(next, true);
}

void InviteUserVC::registerScene() {
  uikit::Storyboard::registerScene(kStoryboard, "InviteUserVC", [] {
    uikit::StoryboardSceneContents contents;
    auto controller = std::make_shared<InviteUserVC>();
    const uikit::Rect screen = uikit::Device::screenBounds();
    auto view = uikit::View::make(screen);
    view->setBackgroundColor(uikit::Color::white());
    constexpr double kTop = 91;
    constexpr double kButtonArea = 80;
    auto table = std::make_shared<uikit::TableView>(
        uikit::Rect(0, kTop, screen.size.width, screen.size.height - kTop - kButtonArea), uikit::TableViewStyle::kPlain);
    table->setAccessibilityIdentifier("tblInviteUser");
    table->rowHeight = uikit::TableView::kAutomaticDimension;
    table->estimatedRowHeight = kEstimatedRowHeight;
    auto next = uikit::Button::withType(uikit::ButtonType::kSystem);
    next->setFrame(uikit::Rect((screen.size.width - 160) / 2, screen.size.height - kButtonArea + 10, 160, 44));
    next->setTitle("Next", uikit::kControlStateNormal);
    next->setAccessibilityIdentifier("btnNext");
    view->addSubview(table);
    view->addSubview(next);
    contents.controller = controller;
    contents.view = view;
    std::weak_ptr<InviteUserVC> weak = controller;
    contents.outlets = {
        {"tblInviteUser",
         [weak, table] {
           auto c = weak.lock();
           if (!c) return;
           c->setTblInviteUser(table);
           table->setDataSource(c);
           table->setDelegate(c);
         }},
        {"btnNext",
         [weak, next] {
           TapActions::addAction(next, [weak](uikit::Button&) {
             if (auto c = weak.lock()) c->btnNextClicked();
           });
         }},
    };
    return contents;
  });
}
