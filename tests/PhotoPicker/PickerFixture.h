// A manual clock, a fresh toolkit and a photo library of its own (an empty
// temporary folder plus in-memory assets) for the picker's screens.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Photos/Asset.h"
#include "Platform/Photos/AssetCollection.h"
#include "Platform/Photos/ImageManager.h"
#include "Platform/Photos/PhotoLibrary.h"
#include "Platform/UIKit/Device.h"
#include "Platform/UIKit/Image.h"
#include "tests/Platform/UIKit/UIKitFixture.h"

namespace photopicker::testing {

class PickerFixture : public uikit::testing::UIKitFixture {
 protected:
  void SetUp() override {
    UIKitFixture::SetUp();
    uikit::Device::setCurrent(uikit::DeviceProfile::phone375x667());
    folder_ = std::filesystem::temp_directory_path() /
              ("photopicker-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    library = photos::PhotoLibrary::create(folder_.string());
    photos::PhotoLibrary::setShared(library);
  }

  void TearDown() override {
    runUntilIdle();
    photos::PhotoLibrary::setShared(nullptr);
    library.reset();
    UIKitFixture::TearDown();
    std::filesystem::remove_all(folder_);
  }

  static constexpr double kDay = 1700000000.0;

  // An in-memory asset of the album, created date seconds after a fixed day.
  static photos::AssetPtr makeAsset(const std::string& id, const std::string& albumName = "Trip",
                                    photos::MediaType type = photos::MediaType::kImage, double date = 0,
                                    double duration = 0, std::uint32_t subtypes = photos::kMediaSubtypeNone,
                                    uikit::ImagePtr image = nullptr,
                                    std::optional<corelocation::CLLocation> location = std::nullopt) {
    photos::Asset::Fields f;
    f.localIdentifier = id;
    f.mediaType = type;
    f.mediaSubtypes = subtypes;
    f.pixelWidth = image ? image->pixelWidth() : 400;
    f.pixelHeight = image ? image->pixelHeight() : 300;
    f.creationDate = kDay + date;
    f.duration = duration;
    f.album = albumName;
    f.image = std::move(image);
    f.location = std::move(location);
    return photos::Asset::make(std::move(f));
  }

  // Adds photos "<prefix>1" ... "<prefix>n" to the album, each newer than
  // the one before (so the newest-first grid shows the last one first).
  std::vector<photos::AssetPtr> addPhotos(int n, const std::string& album = "Trip", const std::string& prefix = "p",
                                          double firstDate = 0) {
    std::vector<photos::AssetPtr> assets;
    for (int i = 1; i <= n; ++i) {
      assets.push_back(makeAsset(prefix + std::to_string(i), album, photos::MediaType::kImage, firstDate + i));
    }
    library->addAssets(assets);
    runUntilIdle();
    return assets;
  }

  photos::AssetCollectionPtr album(const std::string& title) const {
    auto all = photos::AssetCollection::fetchAssetCollections(photos::AssetCollectionType::kAlbum,
                                                              photos::AssetCollectionSubtype::kAny, nullptr);
    for (const auto& c : all->objects()) {
      if (c->localizedTitle() == title) return c;
    }
    return nullptr;
  }

  photos::AssetCollectionPtr libraryAlbum() const {
    auto smart = photos::AssetCollection::fetchAssetCollections(photos::AssetCollectionType::kSmartAlbum,
                                                                photos::AssetCollectionSubtype::kSmartAlbumUserLibrary,
                                                                nullptr);
    return smart->firstObject();
  }

  std::filesystem::path folder_;
  std::shared_ptr<photos::PhotoLibrary> library;
};

}  // namespace photopicker::testing
