#include "PhotoPicker/AlbumsTableViewDataSource.h"

#include "PhotoPicker/AlbumCell.h"
#include "Platform/Photos/Asset.h"
#include "Platform/UIKit/AttributedString.h"

namespace photopicker {

AlbumsTableViewDataSource::AlbumsTableViewDataSource(std::vector<photos::AssetCollectionPtr> albums, double scale)
    : albums_(std::move(albums)), scale_(scale), imageManager_(photos::ImageManager::defaultManager()) {}

long AlbumsTableViewDataSource::numberOfSectionsInTableView(uikit::TableView&) { return albums_.empty() ? 0 : 1; }

long AlbumsTableViewDataSource::tableViewNumberOfRowsInSection(uikit::TableView&, long) {
  return static_cast<long>(albums_.size());
}

std::shared_ptr<uikit::TableViewCell> AlbumsTableViewDataSource::tableViewCellForRowAtIndexPath(
    uikit::TableView& tableView, const uikit::IndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<AlbumCell>(
      tableView.dequeueReusableCellWithIdentifier(AlbumCell::kIdentifier, indexPath));
  if (!cell) return std::make_shared<uikit::TableViewCell>();
  if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= albums_.size()) return cell;
  configure(*cell, albums_[static_cast<std::size_t>(indexPath.row)]);
  return cell;
}

void AlbumsTableViewDataSource::configure(AlbumCell& cell, const photos::AssetCollectionPtr& album) {
  // Settings are set by the owner before the list shows; without them the
  // defaults serve.
  if (!settings) settings = std::make_shared<Settings>();

  uikit::AttributedString title;
  title.append(uikit::AttributedString(album ? album->localizedTitle().value_or("") : "",
                                       settings->theme().albumTitleAttributes()));
  cell.albumTitleLabel()->setAttributedText(title);

  if (cell.thumbnailRequest != photos::kInvalidImageRequestID) {
    imageManager_->cancelImageRequest(cell.thumbnailRequest);
    cell.thumbnailRequest = photos::kInvalidImageRequestID;
  }
  if (!album) return;
  auto options = std::make_shared<photos::FetchOptions>(*settings->fetch().assets().options());
  options->fetchLimit = 1;
  auto first = photos::Asset::fetchAssetsInAssetCollection(album, options);
  auto asset = first ? first->firstObject() : nullptr;
  if (!asset) return;
  std::weak_ptr<AlbumCell> weak = cell.sharedAs<AlbumCell>();
  double side = AlbumCell::kImageSide * scale_;
  cell.thumbnailRequest = imageManager_->requestImage(
      asset, {side, side}, photos::ImageContentMode::kAspectFill, settings->fetch().preview().photoOptions(),
      [weak](uikit::ImagePtr image, const photos::ImageResultInfo&) {
        if (!image) return;
        if (auto target = weak.lock()) target->albumImageView()->setImage(std::move(image));
      });
}

}  // namespace photopicker
