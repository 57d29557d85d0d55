#include "PhotoPicker/Settings.h"

#include <limits>

#include "Platform/UIKit/Font.h"
#include "Platform/UIKit/View.h"

namespace photopicker {

namespace {

// The stored value, or the default computed now and kept.
template <class T, class Make>
T& lazy(std::optional<T>& slot, Make make) {
  if (!slot) slot = make();
  return *slot;
}

template <class T>
T& branch(std::shared_ptr<T>& slot) {
  if (!slot) slot = std::make_shared<T>();
  return *slot;
}

uikit::TextAttributes attributes(double size, const uikit::Color& colour) {
  uikit::TextAttributes a;
  a.font = uikit::Font::systemFont(size);
  a.foregroundColor = colour;
  return a;
}

}  // namespace

// ---- theme ----

const uikit::Color& Settings::Theme::backgroundColor() {
  return lazy(backgroundColor_, [] { return uikit::Color::systemBackground(); });
}

const uikit::Color& Settings::Theme::selectionFillColor() {
  return lazy(selectionFillColor_, [] { return uikit::View().tintColor(); });
}

const uikit::Color& Settings::Theme::selectionStrokeColor() {
  return lazy(selectionStrokeColor_, [] { return uikit::Color::white(); });
}

const uikit::Color& Settings::Theme::selectionShadowColor() {
  return lazy(selectionShadowColor_, [] { return uikit::Color::tertiarySystemBackground(); });
}

Settings::Theme::SelectionStyle Settings::Theme::selectionStyle() {
  return lazy(selectionStyle_, [] { return SelectionStyle::kChecked; });
}

const uikit::TextAttributes& Settings::Theme::previewTitleAttributes() {
  return lazy(previewTitleAttributes_, [] { return attributes(16, uikit::Color::label()); });
}

const uikit::TextAttributes& Settings::Theme::previewSubtitleAttributes() {
  return lazy(previewSubtitleAttributes_, [] { return attributes(12, uikit::Color::secondaryLabel()); });
}

const uikit::TextAttributes& Settings::Theme::albumTitleAttributes() {
  return lazy(albumTitleAttributes_, [] { return attributes(18, uikit::Color::label()); });
}

// ---- selection ----

std::int64_t Settings::Selection::max() {
  return lazy(max_, [] { return std::numeric_limits<std::int64_t>::max(); });
}

std::int64_t Settings::Selection::min() {
  return lazy(min_, [] { return std::int64_t{1}; });
}

bool Settings::Selection::unselectOnReachingMax() {
  return lazy(unselectOnReachingMax_, [] { return false; });
}

// ---- list ----

int Settings::List::defaultCellsPerRow(uikit::UserInterfaceSizeClass vertical,
                                       uikit::UserInterfaceSizeClass horizontal) {
  using SizeClass = uikit::UserInterfaceSizeClass;
  if (vertical == SizeClass::kRegular && horizontal == SizeClass::kRegular) return 7;
  if (vertical == SizeClass::kCompact && horizontal == SizeClass::kCompact) return 5;
  return 3;
}

double Settings::List::spacing() {
  return lazy(spacing_, [] { return 2.0; });
}

const Settings::List::CellsPerRow& Settings::List::cellsPerRow() {
  return lazy(cellsPerRow_, [] { return CellsPerRow(&List::defaultCellsPerRow); });
}

// ---- fetch ----

const photos::FetchOptionsPtr& Settings::Fetch::Album::options() {
  return lazy(options_, [] { return photos::FetchOptionsPtr(std::make_shared<const photos::FetchOptions>()); });
}

const std::vector<photos::AssetCollectionFetchResultPtr>& Settings::Fetch::Album::fetchResults() {
  return lazy(fetchResults_, [this] {
    return std::vector<photos::AssetCollectionFetchResultPtr>{photos::AssetCollection::fetchAssetCollections(
        photos::AssetCollectionType::kSmartAlbum, photos::AssetCollectionSubtype::kSmartAlbumUserLibrary,
        options())};
  });
}

const std::set<Settings::Fetch::Assets::MediaTypes>& Settings::Fetch::Assets::supportedMediaTypes() {
  return lazy(supportedMediaTypes_, [] { return std::set<MediaTypes>{MediaTypes::kImage}; });
}

const photos::FetchOptionsPtr& Settings::Fetch::Assets::options() {
  return lazy(options_, [this] {
    photos::FetchOptions o;
    o.sortDescriptors = {platform::SortDescriptor{"creationDate", false}};
    std::vector<photos::MediaType> types;
    for (MediaTypes t : supportedMediaTypes()) {
      types.push_back(t == MediaTypes::kImage ? photos::MediaType::kImage : photos::MediaType::kVideo);
    }
    o.mediaTypes = std::move(types);
    return photos::FetchOptionsPtr(std::make_shared<const photos::FetchOptions>(std::move(o)));
  });
}

const photos::ImageRequestOptionsPtr& Settings::Fetch::Preview::photoOptions() {
  return lazy(photoOptions_, [] {
    photos::ImageRequestOptions o;
    o.networkAccessAllowed = true;
    return photos::ImageRequestOptionsPtr(std::make_shared<const photos::ImageRequestOptions>(o));
  });
}

const photos::LivePhotoRequestOptionsPtr& Settings::Fetch::Preview::livePhotoOptions() {
  return lazy(livePhotoOptions_, [] {
    photos::LivePhotoRequestOptions o;
    o.networkAccessAllowed = true;
    return photos::LivePhotoRequestOptionsPtr(std::make_shared<const photos::LivePhotoRequestOptions>(o));
  });
}

const photos::VideoRequestOptionsPtr& Settings::Fetch::Preview::videoOptions() {
  return lazy(videoOptions_, [] {
    photos::VideoRequestOptions o;
    o.networkAccessAllowed = true;
    return photos::VideoRequestOptionsPtr(std::make_shared<const photos::VideoRequestOptions>(o));
  });
}

Settings::Fetch::Album& Settings::Fetch::album() { return branch(album_); }
Settings::Fetch::Assets& Settings::Fetch::assets() { return branch(assets_); }
Settings::Fetch::Preview& Settings::Fetch::preview() { return branch(preview_); }

// ---- dismiss, preview ----

bool Settings::Dismiss::enabled() {
  return lazy(enabled_, [] { return true; });
}

bool Settings::Dismiss::allowSwipe() {
  return lazy(allowSwipe_, [] { return false; });
}

bool Settings::Preview::enabled() {
  return lazy(enabled_, [] { return true; });
}

// ---- root ----

const std::shared_ptr<Settings>& Settings::shared() {
  // A function-local static is initialised once, safely under concurrent use.
  static const std::shared_ptr<Settings> instance = std::make_shared<Settings>();
  return instance;
}

Settings::Theme& Settings::theme() { return branch(theme_); }
Settings::Selection& Settings::selection() { return branch(selection_); }
Settings::List& Settings::list() { return branch(list_); }
Settings::Fetch& Settings::fetch() { return branch(fetch_); }
Settings::Dismiss& Settings::dismiss() { return branch(dismiss_); }
Settings::Preview& Settings::preview() { return branch(preview_); }

}  // namespace photopicker
