#include "PhotoPicker/Settings.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include "Platform/Photos/PhotoLibrary.h"
#include "Platform/UIKit/View.h"

namespace photopicker {
namespace {

using MediaTypes = Settings::Fetch::Assets::MediaTypes;
using SizeClass = uikit::UserInterfaceSizeClass;

TEST(SettingsTest, DefaultsOfANewTree) {
  Settings s;
  EXPECT_EQ(s.selection().max(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(s.selection().min(), 1);
  EXPECT_FALSE(s.selection().unselectOnReachingMax());
  EXPECT_EQ(s.theme().selectionStyle(), Settings::Theme::SelectionStyle::kChecked);
  EXPECT_TRUE(s.dismiss().enabled());
  EXPECT_FALSE(s.dismiss().allowSwipe());
  EXPECT_TRUE(s.preview().enabled());
  EXPECT_DOUBLE_EQ(s.list().spacing(), 2.0);

  auto& theme = s.theme();
  EXPECT_EQ(theme.backgroundColor(), uikit::Color::systemBackground());
  EXPECT_EQ(theme.selectionStrokeColor(), uikit::Color::white());
  EXPECT_EQ(theme.selectionShadowColor(), uikit::Color::tertiarySystemBackground());
  EXPECT_EQ(theme.selectionFillColor(), uikit::View().tintColor());
  struct Text {
    const uikit::TextAttributes& attributes;
    double size;
    uikit::Color colour;
  } texts[] = {
      {theme.previewTitleAttributes(), 16, uikit::Color::label()},
      {theme.previewSubtitleAttributes(), 12, uikit::Color::secondaryLabel()},
      {theme.albumTitleAttributes(), 18, uikit::Color::label()},
  };
  for (const auto& t : texts) {
    ASSERT_TRUE(t.attributes.font);
    EXPECT_DOUBLE_EQ(t.attributes.font->pointSize(), t.size);
    EXPECT_TRUE(t.attributes.font->isSystemFont());
    EXPECT_EQ(t.attributes.foregroundColor, t.colour) << t.size;
  }

  auto photo = s.fetch().preview().photoOptions();
  ASSERT_TRUE(photo);
  EXPECT_TRUE(photo->networkAccessAllowed);
  EXPECT_FALSE(photo->synchronous);
  EXPECT_TRUE(s.fetch().preview().livePhotoOptions()->networkAccessAllowed);
  EXPECT_TRUE(s.fetch().preview().videoOptions()->networkAccessAllowed);
  EXPECT_EQ(*s.fetch().album().options(), photos::FetchOptions{});
}

TEST(SettingsTest, DefaultCellsPerRowByVerticalThenHorizontalClass) {
  struct Case {
    SizeClass vertical, horizontal;
    int cells;
  } cases[] = {
      {SizeClass::kRegular, SizeClass::kRegular, 7},   {SizeClass::kCompact, SizeClass::kCompact, 5},
      {SizeClass::kRegular, SizeClass::kCompact, 3},   {SizeClass::kCompact, SizeClass::kRegular, 3},
      {SizeClass::kUnspecified, SizeClass::kRegular, 3}, {SizeClass::kCompact, SizeClass::kUnspecified, 3},
  };
  Settings s;
  for (const auto& c : cases) {
    EXPECT_EQ(s.list().cellsPerRow()(c.vertical, c.horizontal), c.cells)
        << static_cast<int>(c.vertical) << "," << static_cast<int>(c.horizontal);
  }
  s.list().setCellsPerRow([](SizeClass, SizeClass) { return 4; });
  EXPECT_EQ(s.list().cellsPerRow()(SizeClass::kRegular, SizeClass::kRegular), 4);
}

TEST(SettingsTest, DerivedDefaultsFreezeAtTheirFirstRead) {
  struct Case {
    const char* name;
    bool writeTypesFirst;
    std::set<MediaTypes> types;
    std::vector<photos::MediaType> expected;
  } cases[] = {
      {"default", false, {}, {photos::MediaType::kImage}},
      {"videos set before the read", true, {MediaTypes::kImage, MediaTypes::kVideo},
       {photos::MediaType::kImage, photos::MediaType::kVideo}},
      {"empty set: matches nothing", true, {}, {}},
  };
  for (const auto& c : cases) {
    Settings s;
    auto& assets = s.fetch().assets();
    if (c.writeTypesFirst) assets.setSupportedMediaTypes(c.types);
    auto options = assets.options();
    ASSERT_TRUE(options->mediaTypes) << c.name;
    EXPECT_EQ(*options->mediaTypes, c.expected) << c.name;
    ASSERT_EQ(options->sortDescriptors.size(), 1u);
    EXPECT_EQ(options->sortDescriptors[0], (platform::SortDescriptor{"creationDate", false})) << "newest first";
  }

  Settings late;
  auto frozen = late.fetch().assets().options();
  late.fetch().assets().setSupportedMediaTypes({MediaTypes::kImage, MediaTypes::kVideo});
  EXPECT_EQ(late.fetch().assets().options(), frozen) << "the same object, still images only";
  EXPECT_EQ(*frozen->mediaTypes, std::vector<photos::MediaType>{photos::MediaType::kImage});
}

TEST(SettingsTest, WrittenValuesAreKeptAndBranchesAreShared) {
  Settings s;
  auto written = std::make_shared<const photos::FetchOptions>();
  s.fetch().assets().setOptions(written);
  EXPECT_EQ(s.fetch().assets().options(), written) << "no sort or predicate is built over it";
  EXPECT_FALSE(s.fetch().assets().options()->mediaTypes);

  s.selection().setMax(2);  // through the chain: the tree's own branch
  EXPECT_EQ(s.selection().max(), 2);
  EXPECT_EQ(&s.selection(), &s.selection());
  s.theme().setSelectionStyle(Settings::Theme::SelectionStyle::kNumbered);
  s.theme().setSelectionFillColor(uikit::Color::systemRed());
  EXPECT_EQ(s.theme().selectionStyle(), Settings::Theme::SelectionStyle::kNumbered);
  EXPECT_EQ(s.theme().selectionFillColor(), uikit::Color::systemRed());

  // The fill default is the tint a fresh view reports when first read, then kept.
  Settings tinted;
  EXPECT_EQ(tinted.theme().selectionFillColor(), uikit::Color::systemBlue());

  auto replaced = std::make_shared<Settings::Selection>();
  replaced->setMin(3);
  s.setSelection(replaced);
  EXPECT_EQ(s.selection().min(), 3);
  EXPECT_EQ(s.selection().max(), std::numeric_limits<std::int64_t>::max()) << "a new branch has its own defaults";

  EXPECT_EQ(Settings::shared(), Settings::shared());
  EXPECT_NE(Settings::shared().get(), &s);
}

TEST(SettingsTest, AlbumFetchResultsAreFetchedOnceWithTheOptionsOfThatMoment) {
  photos::PhotoLibrary::setShared(photos::PhotoLibrary::create(::testing::TempDir() + "/settings-no-photos"));
  Settings s;
  auto limited = std::make_shared<photos::FetchOptions>();
  limited->fetchLimit = 0;
  s.fetch().album().setOptions(limited);
  const auto& first = s.fetch().album().fetchResults();
  ASSERT_EQ(first.size(), 1u);
  ASSERT_TRUE(first[0]);
  ASSERT_EQ(first[0]->count(), 1u) << "the smart album of the whole library";
  EXPECT_EQ(first[0]->firstObject()->assetCollectionType(), photos::AssetCollectionType::kSmartAlbum);
  EXPECT_EQ(first[0]->firstObject()->assetCollectionSubtype(), photos::AssetCollectionSubtype::kSmartAlbumUserLibrary);
  auto kept = first[0];
  EXPECT_EQ(s.fetch().album().fetchResults()[0], kept) << "read again: not fetched again";
  photos::PhotoLibrary::setShared(nullptr);
}

}  // namespace
}  // namespace photopicker
