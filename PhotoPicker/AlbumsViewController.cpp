#include "PhotoPicker/AlbumsViewController.h"

#include <limits>

#include "PhotoPicker/AlbumCell.h"
#include "Platform/UIKit/Device.h"

namespace photopicker {

AlbumsViewController::AlbumsViewController()
    : tableView_(std::make_shared<uikit::TableView>(uikit::Rect(), uikit::TableViewStyle::kGrouped)),
      lineView_(std::make_shared<uikit::View>()) {}

void AlbumsViewController::viewDidLoad() {
  uikit::ViewController::viewDidLoad();
  if (!settings) settings = std::make_shared<Settings>();
  dataSource_ = std::make_shared<AlbumsTableViewDataSource>(albums, uikit::Device::current().scale);
  dataSource_->settings = settings;

  auto root = view();
  tableView_->setFrame(root->bounds());
  tableView_->setAutoresizingMask(uikit::kAutoresizingFlexibleWidth | uikit::kAutoresizingFlexibleHeight);
  tableView_->rowHeight = uikit::TableView::kAutomaticDimension;
  tableView_->estimatedRowHeight = kEstimatedRowHeight;
  tableView_->separatorStyle = uikit::TableViewCellSeparatorStyle::kNone;
  tableView_->sectionHeaderHeight = std::numeric_limits<double>::min();
  tableView_->showsVerticalScrollIndicator = false;
  tableView_->showsHorizontalScrollIndicator = false;
  tableView_->registerClass(AlbumCell::kIdentifier, [] { return std::make_shared<AlbumCell>(); });
  tableView_->setDataSource(dataSource_);
  tableView_->setDelegate(sharedAs<AlbumsViewController>());
  tableView_->setBackgroundColor(uikit::Color::clear());
  root->addSubview(tableView_);

  uikit::Rect line = root->bounds();
  line.size.height = kHairline;
  line.origin.y = root->bounds().height() - kHairline;
  lineView_->setFrame(line);
  lineView_->setBackgroundColor(uikit::Color::gray());
  lineView_->setAutoresizingMask(uikit::kAutoresizingFlexibleWidth | uikit::kAutoresizingFlexibleTopMargin);
  root->addSubview(lineView_);
}

void AlbumsViewController::tableViewDidSelectRowAtIndexPath(uikit::TableView&, const uikit::IndexPath& indexPath) {
  if (indexPath.row < 0 || static_cast<std::size_t>(indexPath.row) >= albums.size()) return;
  auto album = albums[static_cast<std::size_t>(indexPath.row)];
  if (auto d = delegate()) d->albumsViewControllerDidSelectAlbum(*this, album);
}

double AlbumsViewController::tableViewHeightForHeaderInSection(uikit::TableView&, long) {
  return std::numeric_limits<double>::min();
}

std::shared_ptr<uikit::View> AlbumsViewController::tableViewViewForHeaderInSection(uikit::TableView&, long) {
  return nullptr;
}

void AlbumsViewController::viewWillDisappear(bool animated) {
  uikit::ViewController::viewWillDisappear(animated);
  if (!isBeingDismissed()) return;
  if (auto d = delegate()) d->didDismissAlbumsViewController(*this);
}

}  // namespace photopicker
