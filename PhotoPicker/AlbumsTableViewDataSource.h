// The album list's rows: per album its title in the theme's style and a
// thumbnail of its first matching asset.
#pragma once

#include <memory>
#include <vector>

#include "PhotoPicker/Settings.h"
#include "Platform/Photos/AssetCollection.h"
#include "Platform/Photos/ImageManager.h"
#include "Platform/UIKit/TableView.h"

namespace photopicker {

class AlbumCell;

class AlbumsTableViewDataSource : public uikit::TableViewDataSource {
 public:
  // scale: pixels per point of the screen.
  AlbumsTableViewDataSource(std::vector<photos::AssetCollectionPtr> albums, double scale);

  std::shared_ptr<Settings> settings;
  const std::vector<photos::AssetCollectionPtr>& albums() const { return albums_; }
  double scale() const { return scale_; }
  const std::shared_ptr<photos::ImageManager>& imageManager() const { return imageManager_; }

  long numberOfSectionsInTableView(uikit::TableView& tableView) override;
  long tableViewNumberOfRowsInSection(uikit::TableView& tableView, long section) override;
  std::shared_ptr<uikit::TableViewCell> tableViewCellForRowAtIndexPath(uikit::TableView& tableView,
                                                                       const uikit::IndexPath& indexPath) override;
  // Shows the album in the cell: its title, and the thumbnail of its first
  // matching asset once it arrives.
  void configure(AlbumCell& cell, const photos::AssetCollectionPtr& album);

 private:
  std::vector<photos::AssetCollectionPtr> albums_;
  double scale_;
  std::shared_ptr<photos::ImageManager> imageManager_;
};

}  // namespace photopicker
