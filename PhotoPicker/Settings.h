// The picker's configuration tree: look, selection limits, grid layout,
// what is fetched, how the picker closes and whether previews exist. Every
// setting computes its default the first time it is read and keeps it; a
// value written first is never replaced by a default. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "Platform/Photos/AssetCollection.h"
#include "Platform/Photos/FetchOptions.h"
#include "Platform/Photos/ImageRequestOptions.h"
#include "Platform/Photos/LivePhotoRequestOptions.h"
#include "Platform/Photos/VideoRequestOptions.h"
#include "Platform/UIKit/Color.h"
#include "Platform/UIKit/TextAttributes.h"
#include "Platform/UIKit/TraitCollection.h"

namespace photopicker {

class Settings {
 public:
  class Theme {
   public:
    enum class SelectionStyle { kChecked, kNumbered };

    const uikit::Color& backgroundColor();
    void setBackgroundColor(uikit::Color c) { backgroundColor_ = std::move(c); }
    // The tint a new plain view reports at the first read.
    const uikit::Color& selectionFillColor();
    void setSelectionFillColor(uikit::Color c) { selectionFillColor_ = std::move(c); }
    const uikit::Color& selectionStrokeColor();
    void setSelectionStrokeColor(uikit::Color c) { selectionStrokeColor_ = std::move(c); }
    const uikit::Color& selectionShadowColor();
    void setSelectionShadowColor(uikit::Color c) { selectionShadowColor_ = std::move(c); }
    SelectionStyle selectionStyle();
    void setSelectionStyle(SelectionStyle s) { selectionStyle_ = s; }
    const uikit::TextAttributes& previewTitleAttributes();
    void setPreviewTitleAttributes(uikit::TextAttributes a) { previewTitleAttributes_ = std::move(a); }
    const uikit::TextAttributes& previewSubtitleAttributes();
    void setPreviewSubtitleAttributes(uikit::TextAttributes a) { previewSubtitleAttributes_ = std::move(a); }
    const uikit::TextAttributes& albumTitleAttributes();
    void setAlbumTitleAttributes(uikit::TextAttributes a) { albumTitleAttributes_ = std::move(a); }

   private:
    std::optional<uikit::Color> backgroundColor_, selectionFillColor_, selectionStrokeColor_, selectionShadowColor_;
    std::optional<SelectionStyle> selectionStyle_;
    std::optional<uikit::TextAttributes> previewTitleAttributes_, previewSubtitleAttributes_, albumTitleAttributes_;
  };

  class Selection {
   public:
    // No limit by default.
    std::int64_t max();
    void setMax(std::int64_t v) { max_ = v; }
    // Fewest photos for which the done button is enabled.
    std::int64_t min();
    void setMin(std::int64_t v) { min_ = v; }
    // A selection beyond max drops the earliest one instead of being refused.
    bool unselectOnReachingMax();
    void setUnselectOnReachingMax(bool v) { unselectOnReachingMax_ = v; }

   private:
    std::optional<std::int64_t> max_, min_;
    std::optional<bool> unselectOnReachingMax_;
  };

  class List {
   public:
    // Called with the vertical size class first, then the horizontal one.
    using CellsPerRow = std::function<int(uikit::UserInterfaceSizeClass vertical,
                                          uikit::UserInterfaceSizeClass horizontal)>;
    // 7 for regular both ways, 5 for compact both ways, else 3.
    static int defaultCellsPerRow(uikit::UserInterfaceSizeClass vertical, uikit::UserInterfaceSizeClass horizontal);

    double spacing();
    void setSpacing(double v) { spacing_ = v; }
    const CellsPerRow& cellsPerRow();
    void setCellsPerRow(CellsPerRow f) { cellsPerRow_ = std::move(f); }

   private:
    std::optional<double> spacing_;
    std::optional<CellsPerRow> cellsPerRow_;
  };

  class Fetch {
   public:
    class Album {
     public:
      const photos::FetchOptionsPtr& options();
      void setOptions(photos::FetchOptionsPtr o) { options_ = std::move(o); }
      // One result by default: the smart album of the whole library, fetched
      // with options() as it reads then.
      const std::vector<photos::AssetCollectionFetchResultPtr>& fetchResults();
      void setFetchResults(std::vector<photos::AssetCollectionFetchResultPtr> r) { fetchResults_ = std::move(r); }

     private:
      std::optional<photos::FetchOptionsPtr> options_;
      std::optional<std::vector<photos::AssetCollectionFetchResultPtr>> fetchResults_;
    };

    class Assets {
     public:
      enum class MediaTypes { kImage, kVideo };
      const std::set<MediaTypes>& supportedMediaTypes();
      void setSupportedMediaTypes(std::set<MediaTypes> t) { supportedMediaTypes_ = std::move(t); }
      // Newest first, of the media types supportedMediaTypes() holds when
      // this is first read (a later change of the types does not reach it).
      const photos::FetchOptionsPtr& options();
      void setOptions(photos::FetchOptionsPtr o) { options_ = std::move(o); }

     private:
      std::optional<std::set<MediaTypes>> supportedMediaTypes_;
      std::optional<photos::FetchOptionsPtr> options_;
    };

    class Preview {
     public:
      const photos::ImageRequestOptionsPtr& photoOptions();
      void setPhotoOptions(photos::ImageRequestOptionsPtr o) { photoOptions_ = std::move(o); }
      const photos::LivePhotoRequestOptionsPtr& livePhotoOptions();
      void setLivePhotoOptions(photos::LivePhotoRequestOptionsPtr o) { livePhotoOptions_ = std::move(o); }
      const photos::VideoRequestOptionsPtr& videoOptions();
      void setVideoOptions(photos::VideoRequestOptionsPtr o) { videoOptions_ = std::move(o); }

     private:
      std::optional<photos::ImageRequestOptionsPtr> photoOptions_;
      std::optional<photos::LivePhotoRequestOptionsPtr> livePhotoOptions_;
      std::optional<photos::VideoRequestOptionsPtr> videoOptions_;
    };

    Album& album();
    void setAlbum(std::shared_ptr<Album> b) { album_ = std::move(b); }
    Assets& assets();
    void setAssets(std::shared_ptr<Assets> b) { assets_ = std::move(b); }
    Preview& preview();
    void setPreview(std::shared_ptr<Preview> b) { preview_ = std::move(b); }

   private:
    std::shared_ptr<Album> album_;
    std::shared_ptr<Assets> assets_;
    std::shared_ptr<Preview> preview_;
  };

  class Dismiss {
   public:
    // The picker dismisses itself after done or cancel has informed the client.
    bool enabled();
    void setEnabled(bool v) { enabled_ = v; }
    // Swiping down dismisses; only while enabled() too.
    bool allowSwipe();
    void setAllowSwipe(bool v) { allowSwipe_ = v; }

   private:
    std::optional<bool> enabled_, allowSwipe_;
  };

  class Preview {
   public:
    // A long press on a grid photo opens its preview.
    bool enabled();
    void setEnabled(bool v) { enabled_ = v; }

   private:
    std::optional<bool> enabled_;
  };

  // One process-wide root; the picker builds its own instead.
  static const std::shared_ptr<Settings>& shared();

  // Branches are made empty at the first read and the same object is
  // returned on every read after it.
  Theme& theme();
  void setTheme(std::shared_ptr<Theme> b) { theme_ = std::move(b); }
  Selection& selection();
  void setSelection(std::shared_ptr<Selection> b) { selection_ = std::move(b); }
  List& list();
  void setList(std::shared_ptr<List> b) { list_ = std::move(b); }
  Fetch& fetch();
  void setFetch(std::shared_ptr<Fetch> b) { fetch_ = std::move(b); }
  Dismiss& dismiss();
  void setDismiss(std::shared_ptr<Dismiss> b) { dismiss_ = std::move(b); }
  Preview& preview();
  void setPreview(std::shared_ptr<Preview> b) { preview_ = std::move(b); }

 private:
  std::shared_ptr<Theme> theme_;
  std::shared_ptr<Selection> selection_;
  std::shared_ptr<List> list_;
  std::shared_ptr<Fetch> fetch_;
  std::shared_ptr<Dismiss> dismiss_;
  std::shared_ptr<Preview> preview_;
};

}  // namespace photopicker
