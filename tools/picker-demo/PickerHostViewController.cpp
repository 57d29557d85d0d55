#include "tools/picker-demo/PickerHostViewController.h"

#include <utility>

#include "Platform/Photos/AssetCollection.h"

PickerHostViewController::PickerHostViewController(PickerDemoOptions options, LineSink print)
    : options_(std::move(options)),
      print_(std::move(print)),
      picker_(std::make_shared<photopicker::ImagePickerController>(std::vector<photos::AssetPtr>{})),
      pickButton_(uikit::Button::withType(uikit::ButtonType::kSystem)) {
  auto& settings = *picker_->settings;
  if (options_.max) settings.selection().setMax(*options_.max);
  settings.selection().setUnselectOnReachingMax(false);
  if (options_.numbered) settings.theme().setSelectionStyle(photopicker::Settings::Theme::SelectionStyle::kNumbered);
  using MediaTypes = photopicker::Settings::Fetch::Assets::MediaTypes;
  // Before anything reads the asset options, which freeze the media types.
  if (options_.videos) settings.fetch().assets().setSupportedMediaTypes({MediaTypes::kImage, MediaTypes::kVideo});
  if (options_.albums) {
    auto results = settings.fetch().album().fetchResults();
    results.push_back(photos::AssetCollection::fetchAssetCollections(
        photos::AssetCollectionType::kAlbum, photos::AssetCollectionSubtype::kAny, settings.fetch().album().options()));
    settings.fetch().album().setFetchResults(std::move(results));
  }
}

std::string PickerHostViewController::identifiers(const std::vector<photos::AssetPtr>& assets) {
  std::string text;
  for (const auto& asset : assets) {
    if (!text.empty()) text += ", ";
    text += asset ? asset->localIdentifier() : "?";
  }
  return text;
}

void PickerHostViewController::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  setTitle("Picker demo");
  auto root = view();
  root->setBackgroundColor(uikit::Color::white());
  pickButton_->setTitle(std::string(kPickTitle));
  pickButton_->sizeToFit();
  pickButton_->setCenter({root->bounds().midX(), root->bounds().midY()});
  std::weak_ptr<PickerHostViewController> weak = sharedAs<PickerHostViewController>();
  pickButton_->addTarget(
      sharedAs<PickerHostViewController>(),
      [weak](uikit::Control&) {
        if (auto host = weak.lock()) host->pickPhotos();
      },
      uikit::kControlEventTouchUpInside);
  root->addSubview(pickButton_);
}

void PickerHostViewController::pickPhotos() {
  // The closures hold the screen weakly, as a complaint screen's do.
  std::weak_ptr<PickerHostViewController> weak = sharedAs<PickerHostViewController>();
  auto line = [weak](const std::string& text) {
    if (auto host = weak.lock()) {
      if (host->print_) host->print_(text);
    }
  };
  photopicker::ImagePickerController::presentImagePicker(
      sharedAs<PickerHostViewController>(), picker_, true,
      [line](const photos::AssetPtr& asset) { line("select " + identifiers({asset})); },
      [line](const photos::AssetPtr& asset) { line("deselect " + identifiers({asset})); },
      [line](const std::vector<photos::AssetPtr>& assets) {
        line(assets.empty() ? "cancel" : "cancel " + identifiers(assets));
      },
      [line](const std::vector<photos::AssetPtr>& assets) {
        line(assets.empty() ? "finish" : "finish " + identifiers(assets));
      },
      nullptr);
}
