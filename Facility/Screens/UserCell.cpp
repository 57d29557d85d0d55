#include "Facility/Screens/UserCell.h"

#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Support/Device.h"
#include "Facility/Widgets/TapActions.h"
#include "Platform/Foundation/URL.h"
#include "Platform/Foundation/Utf8.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/Nib.h"

namespace {

// Retry failed addresses (the web image loader's option 1).
constexpr unsigned kRetryFailed = 1;
const char* const kAccessIcons[] = {"ic_tag", "ic_access", "ic_parking", "ic_visitor"};

void roundBackground(const std::shared_ptr<uikit::View>& view) {
  view->layer().cornerRadius = view->frame().width() / 2;
  view->setClipsToBounds(true);
}

void templateIcon(const std::shared_ptr<uikit::ImageView>& view) {
  if (view->image()) view->setImage(view->image()->withRenderingMode(uikit::ImageRenderingMode::kAlwaysTemplate));
}

}  // namespace

std::string UserCell::photoAddress(const std::optional<std::string>& employeeUrl) {
  if (!employeeUrl || platform::Utf8::isBlank(*employeeUrl)) return {};
  std::string address = UserDefaultsAccess::storedServerUrl() + "/" + *employeeUrl;
  return platform::URL::fromString(address) ? address : std::string();
}

void UserCell::showAccess(const std::weak_ptr<uikit::View>& background, const std::weak_ptr<uikit::ImageView>& icon,
                          const std::optional<bool>& granted) {
  const bool on = granted.value_or(false);
  if (auto b = background.lock()) b->setBackgroundColor(on ? AppColor::green() : AppColor::lightGray());
  if (auto i = icon.lock()) i->setTintColor(on ? AppColor::white() : uikit::Color::gray());
}

void UserCell::fill(const MDLEmployee& employee, std::function<void(const MDLEmployee&)> openAccess) {
  auto show = [](const std::weak_ptr<GenericLabel>& label, const std::optional<std::string>& text) {
    if (auto l = label.lock()) l->setText(text.value_or(""));
  };
  show(lbName, employee.employeeName);
  show(lbEmpId, employee.employeeId);
  show(lbMobile, employee.mobileNumber);
  show(lbDepartment, employee.department);
  if (auto marker = imgInvite.lock()) marker->setHidden(employee.invitationStatus == kInvitationComplete);
  if (auto photo = imgVwUser.lock()) {
    // Without an address the request still goes out: it cancels the
    // recycled row's pending photo and shows the placeholder.
    const std::string address = photoAddress(employee.employeeUrl);
    photo->sd_showsActivityIndicator = !address.empty();
    photo->sd_setImageWithURL(address, uikit::Image::named(kPlaceholderImage), kRetryFailed);
  }
  showAccess(vwTag, imgVwTag, employee.isTagAssigned);
  showAccess(vwAccess, imgVwAccess, employee.isFloorAccess);
  showAccess(vwParking, imgVwParking, employee.isParkingAccess);
  showAccess(vwVisitor, imgVwVisitor, employee.isVisitorAssignAccess);
  if (auto options = btnOptions.lock()) {
    TapActions::addAction(options, [employee, openAccess](uikit::Button&) {
      if (openAccess) openAccess(employee);
    });
  }
  selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
}

void UserCell::registerNib() {
  uikit::Image::registerNamed(kPlaceholderImage, uikit::Image::filled({60, 60}, AppColor::gray180()));
  for (const char* name : kAccessIcons) uikit::Image::registerNamed(name, uikit::Image::filled({20, 20}, AppColor::gray()));
  uikit::Image::registerNamed("ic_invite", uikit::Image::filled({16, 16}, AppColor::orange()));
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    const double width = Device::screenWidth();
    const double inner = width - 20;
    auto cell = std::make_shared<UserCell>(uikit::TableViewCellStyle::kDefault, kNibName);
    cell->setFrame(uikit::Rect(0, 0, width, kHeight));
    cell->contentView()->setFrame(cell->bounds());
    cell->heightAnchor().constraintEqualToConstant(kHeight)->setActive(true);
    auto card = uikit::View::make(uikit::Rect(10, 5, inner, kHeight - 10));
    auto photo = uikit::View::make<uikit::ImageView>(uikit::Rect(10, 10, 60, 60));
    auto invite = uikit::View::make<uikit::ImageView>(uikit::Rect(58, 10, 16, 16));
    invite->setImage(uikit::Image::named("ic_invite"));
    invite->setAccessibilityIdentifier("imgInvite");
    auto label = [&](double y, const char* id) {
      auto l = uikit::View::make<GenericLabel>(uikit::Rect(80, y, inner - 130, 22));
      l->setAccessibilityIdentifier(id);
      card->addSubview(l);
      return l;
    };
    card->addSubview(photo);
    card->addSubview(invite);
    auto name = label(8, "lbName");
    auto empId = label(30, "lbEmpId");
    auto mobile = label(52, "lbMobile");
    auto department = label(74, "lbDepartment");
    auto options = uikit::Button::withType(uikit::ButtonType::kCustom);
    options->setFrame(uikit::Rect(inner - 44, 8, 36, 36));
    options->setTitle("Options");
    options->setAccessibilityIdentifier("btnOptions");
    card->addSubview(options);
    std::shared_ptr<uikit::View> backgrounds[4];
    std::shared_ptr<uikit::ImageView> icons[4];
    for (int i = 0; i < 4; ++i) {
      backgrounds[i] = uikit::View::make(uikit::Rect(80 + 40 * i, 102, 30, 30));
      icons[i] = uikit::View::make<uikit::ImageView>(uikit::Rect(5, 5, 20, 20));
      icons[i]->setImage(uikit::Image::named(kAccessIcons[i]));
      backgrounds[i]->addSubview(icons[i]);
      card->addSubview(backgrounds[i]);
    }
    cell->contentView()->addSubview(card);
    std::weak_ptr<UserCell> weak = cell;
    auto set = [weak](auto member, auto value) {
      return [weak, member, value] {
        if (auto c = weak.lock()) (*c).*member = value;
      };
    };
    auto background = [weak](std::weak_ptr<uikit::View> UserCell::*member, const std::shared_ptr<uikit::View>& v) {
      return [weak, member, v] {
        if (auto c = weak.lock()) {
          (*c).*member = v;
          roundBackground(v);
        }
      };
    };
    auto icon = [weak](std::weak_ptr<uikit::ImageView> UserCell::*member, const std::shared_ptr<uikit::ImageView>& v) {
      return [weak, member, v] {
        if (auto c = weak.lock()) {
          (*c).*member = v;
          templateIcon(v);
        }
      };
    };
    using C = UserCell;
    using WeakLabel = std::weak_ptr<GenericLabel>;
    uikit::NibContents nib;
    nib.topLevelObjects.push_back(cell);
    nib.outlets = {
        {"lbName", set(&C::lbName, WeakLabel(name))},
        {"lbMobile", set(&C::lbMobile, WeakLabel(mobile))},
        {"lbDepartment", set(&C::lbDepartment, WeakLabel(department))},
        {"lbEmpId", set(&C::lbEmpId, WeakLabel(empId))},
        {"btnOptions", set(&C::btnOptions, std::weak_ptr<uikit::Button>(options))},
        {"vwInner", set(&C::vwInner, std::weak_ptr<uikit::View>(card))},
        {"imgVwUser", set(&C::imgVwUser, std::weak_ptr<uikit::ImageView>(photo))},
        {"vwTag", background(&C::vwTag, backgrounds[0])},
        {"vwAccess", background(&C::vwAccess, backgrounds[1])},
        {"vwParking", background(&C::vwParking, backgrounds[2])},
        {"vwVisitor", background(&C::vwVisitor, backgrounds[3])},
        {"imgVwTag", icon(&C::imgVwTag, icons[0])},
        {"imgVwAccess", icon(&C::imgVwAccess, icons[1])},
        {"imgVwParking", icon(&C::imgVwParking, icons[2])},
        {"imgVwVisitor", icon(&C::imgVwVisitor, icons[3])},
        {"imgInvite", set(&C::imgInvite, std::weak_ptr<uikit::ImageView>(invite))},
    };
    return nib;
  });
}
