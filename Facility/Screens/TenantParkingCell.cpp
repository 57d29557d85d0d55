#include "Facility/Screens/TenantParkingCell.h"

#include "Facility/Screens/TileRowCell.h"
#include "Facility/Support/AppColor.h"
#include "Facility/Support/Device.h"
#include "Facility/Widgets/ViewStyle.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/UIKit/Image.h"
#include "Platform/UIKit/Nib.h"

namespace {

constexpr double kFirstFrameDelay = 0.01;
constexpr double kSecondFrameDelay = 0.1;

void roundLater(const std::shared_ptr<uikit::ImageView>& view, double delay) {
  std::weak_ptr<uikit::ImageView> weak = view;
  platform::RunLoop::main().asyncAfter(delay, [weak] {
    auto v = weak.lock();
    if (!v) return;
    v->layoutIfNeeded();
    v->layer().cornerRadius = v->frame().width() / 2;
    ViewStyle::setBorderWidth(*v, 1);
    ViewStyle::setBorderColor(*v, AppColor::green());
  });
}

const char* const kImageNames[] = {"parking_bg", "car_grey", "bike_grey", "identity_bg", "identity_2", "identity_1"};

}  // namespace

void TenantParkingCell::setVwInner(const std::shared_ptr<uikit::View>& view) {
  vwInner = view;
  if (view) ViewStyle::setShadow(*view, AppColor::black(), 1, 2, 0.4F, 3);
}

void TenantParkingCell::setVwDetail(const std::shared_ptr<uikit::View>& view) {
  vwDetail = view;
  if (!view) return;
  view->layer().cornerRadius = 5;
  ViewStyle::setBorderWidth(*view, 1);
  ViewStyle::setBorderColor(*view, AppColor::green());
}

void TenantParkingCell::setImgVwBackFirst(const std::shared_ptr<uikit::ImageView>& view) {
  imgVwBackFirst = view;
  if (view) roundLater(view, kFirstFrameDelay);
}

void TenantParkingCell::setImgVwBackSecond(const std::shared_ptr<uikit::ImageView>& view) {
  imgVwBackSecond = view;
  if (view) roundLater(view, kSecondFrameDelay);
}

std::string TenantParkingCell::inUseText(const std::optional<std::string>& occupied) {
  return "| " + occupied.value_or("0") + " |";
}

void TenantParkingCell::showFirst(const std::optional<Counts>& counts) {
  TileRowCell::show(lbTotalFirst, counts ? counts->total : std::nullopt);
  TileRowCell::show(lbInUseFirst, counts ? std::optional<std::string>(inUseText(counts->occupied)) : std::nullopt);
  TileRowCell::show(lbFreeFirst, counts ? counts->free : std::nullopt);
}

void TenantParkingCell::showSecond(const std::optional<Counts>& counts) {
  TileRowCell::show(lbTotalSecond, counts ? counts->total : std::nullopt);
  TileRowCell::show(lbInUseSecond, counts ? std::optional<std::string>(inUseText(counts->occupied)) : std::nullopt);
  TileRowCell::show(lbFreeSecond, counts ? counts->free : std::nullopt);
}

void TenantParkingCell::setImages(const char* background, const char* first, const char* second) {
  if (auto v = imgVwBackground.lock()) v->setImage(uikit::Image::named(background));
  if (auto v = imgVwFirst.lock()) v->setImage(uikit::Image::named(first));
  if (auto v = imgVwSecond.lock()) v->setImage(uikit::Image::named(second));
}

void TenantParkingCell::fillParking(const MDLAllottedParkingTileList& tile) {
  if (auto title = lbTitle.lock()) title->setText(tile.timeName.value_or(""));
  setImages("parking_bg", "car_grey", "bike_grey");
  std::optional<Counts> first, second;
  if (const auto& list = tile.occupancyList) {
    if (!list->empty()) first = Counts{(*list)[0].total, (*list)[0].occupied, (*list)[0].free};
    if (list->size() > 1) second = Counts{(*list)[1].total, (*list)[1].occupied, (*list)[1].free};
  }
  showFirst(first);
  showSecond(second);
  selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
}

void TenantParkingCell::fillIdentity(const std::vector<MDLIdentity>& identities) {
  if (auto title = lbTitle.lock()) title->setText(std::string(kIdentityTitle));
  setImages("identity_bg", "identity_2", "identity_1");
  auto firstOfType = [&](const char* type) -> std::optional<Counts> {
    for (const auto& identity : identities) {
      if (identity.identityType == type) return Counts{identity.total, identity.occupied, identity.free};
    }
    return std::nullopt;
  };
  showFirst(firstOfType(kFirstIdentity));
  showSecond(firstOfType(kSecondIdentity));
  selectionStyle = uikit::TableViewCellSelectionStyle::kNone;
}

void TenantParkingCell::registerNib() {
  for (const char* name : kImageNames) {
    uikit::Image::registerNamed(name, uikit::Image::filled({30, 30}, AppColor::gray180()));
  }
  if (uikit::Nib::isRegistered(kNibName)) return;
  uikit::Nib::registerNib(kNibName, [](const std::shared_ptr<uikit::Object>&) {
    const double width = Device::screenWidth();
    const double inner = width - 20;
    auto cell = std::make_shared<TenantParkingCell>(uikit::TableViewCellStyle::kDefault, kNibName);
    cell->setFrame(uikit::Rect(0, 0, width, kHeight));
    cell->contentView()->setFrame(cell->bounds());
    cell->heightAnchor().constraintEqualToConstant(kHeight)->setActive(true);
    auto card = uikit::View::make(uikit::Rect(10, 5, inner, kHeight - 10));
    auto background = uikit::View::make<uikit::ImageView>(card->bounds());
    auto title = uikit::View::make<GenericLabel>(uikit::Rect(10, 5, inner - 20, 24));
    title->setAccessibilityIdentifier("lbTitle");
    auto detail = uikit::View::make(uikit::Rect(10, 35, inner - 20, 120));
    card->addSubview(background);
    card->addSubview(title);
    card->addSubview(detail);
    cell->contentView()->addSubview(card);
    struct Line {
      std::shared_ptr<uikit::ImageView> frame, icon;
      std::shared_ptr<uikit::Label> total, inUse, free;
    };
    auto makeLine = [&](double y, const char* suffix) {
      Line line;
      line.frame = uikit::View::make<uikit::ImageView>(uikit::Rect(10, y, 44, 44));
      line.icon = uikit::View::make<uikit::ImageView>(uikit::Rect(7, 7, 30, 30));
      line.frame->addSubview(line.icon);
      const double column = (inner - 100) / 3;
      line.total = uikit::View::make<uikit::Label>(uikit::Rect(70, y + 10, column, 24));
      line.inUse = uikit::View::make<uikit::Label>(uikit::Rect(70 + column, y + 10, column, 24));
      line.free = uikit::View::make<uikit::Label>(uikit::Rect(70 + 2 * column, y + 10, column, 24));
      line.total->setAccessibilityIdentifier(std::string("lbTotal") + suffix);
      line.inUse->setAccessibilityIdentifier(std::string("lbInUse") + suffix);
      line.free->setAccessibilityIdentifier(std::string("lbFree") + suffix);
      for (const auto& v : std::vector<uikit::ViewPtr>{line.frame, line.total, line.inUse, line.free}) {
        detail->addSubview(v);
      }
      return line;
    };
    const Line first = makeLine(8, "First");
    const Line second = makeLine(64, "Second");
    std::weak_ptr<TenantParkingCell> weak = cell;
    auto set = [weak](auto member, auto value) {
      return [weak, member, value] {
        if (auto c = weak.lock()) (*c).*member = value;
      };
    };
    using C = TenantParkingCell;
    using WeakLabel = std::weak_ptr<uikit::Label>;
    uikit::NibContents nib;
    nib.topLevelObjects.push_back(cell);
    nib.outlets = {
        {"vwInner", [weak, card] { if (auto c = weak.lock()) c->setVwInner(card); }},
        {"lbTitle", set(&C::lbTitle, std::weak_ptr<GenericLabel>(title))},
        {"imgVwBackground", set(&C::imgVwBackground, std::weak_ptr<uikit::ImageView>(background))},
        {"vwDetail", [weak, detail] { if (auto c = weak.lock()) c->setVwDetail(detail); }},
        {"imgVwBackFirst", [weak, first] { if (auto c = weak.lock()) c->setImgVwBackFirst(first.frame); }},
        {"imgVwBackSecond", [weak, second] { if (auto c = weak.lock()) c->setImgVwBackSecond(second.frame); }},
        {"imgVwFirst", set(&C::imgVwFirst, std::weak_ptr<uikit::ImageView>(first.icon))},
        {"imgVwSecond", set(&C::imgVwSecond, std::weak_ptr<uikit::ImageView>(second.icon))},
        {"lbTotalFirst", set(&C::lbTotalFirst, WeakLabel(first.total))},
        {"lbInUseFirst", set(&C::lbInUseFirst, WeakLabel(first.inUse))},
        {"lbFreeFirst", set(&C::lbFreeFirst, WeakLabel(first.free))},
        {"lbTotalSecond", set(&C::lbTotalSecond, WeakLabel(second.total))},
        {"lbInUseSecond", set(&C::lbInUseSecond, WeakLabel(second.inUse))},
        {"lbFreeSecond", set(&C::lbFreeSecond, WeakLabel(second.free))},
    };
    return nib;
  });
}
