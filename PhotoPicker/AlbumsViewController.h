// The drop-down list of albums the picker offers. A tapped row reports its
// album; the end of the list's dismissal is reported too, whatever caused it.
#pragma once

#include <memory>
#include <vector>

#include "PhotoPicker/AlbumsTableViewDataSource.h"
#include "PhotoPicker/AlbumsViewControllerDelegate.h"
#include "PhotoPicker/Settings.h"
#include "Platform/Photos/AssetCollection.h"
#include "Platform/UIKit/TableView.h"
#include "Platform/UIKit/ViewController.h"

namespace photopicker {

class AlbumsViewController : public uikit::ViewController, public uikit::TableViewDelegate {
 public:
  static constexpr double kEstimatedRowHeight = 100;
  static constexpr double kHairline = 0.5;

  AlbumsViewController();

  std::shared_ptr<AlbumsViewControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<AlbumsViewControllerDelegate>& delegate) { delegate_ = delegate; }
  std::shared_ptr<Settings> settings;
  // What a tapped row reports; the rows are those of the first view load.
  std::vector<photos::AssetCollectionPtr> albums;
  const std::shared_ptr<AlbumsTableViewDataSource>& dataSource() const { return dataSource_; }
  const std::shared_ptr<uikit::TableView>& tableView() const { return tableView_; }
  const std::shared_ptr<uikit::View>& lineView() const { return lineView_; }

  void viewDidLoad() override;
  void viewWillDisappear(bool animated) override;
  void tableViewDidSelectRowAtIndexPath(uikit::TableView& tableView, const uikit::IndexPath& indexPath) override;
  double tableViewHeightForHeaderInSection(uikit::TableView& tableView, long section) override;
  std::shared_ptr<uikit::View> tableViewViewForHeaderInSection(uikit::TableView& tableView, long section) override;

 private:
  std::weak_ptr<AlbumsViewControllerDelegate> delegate_;
  std::shared_ptr<AlbumsTableViewDataSource> dataSource_;
  std::shared_ptr<uikit::TableView> tableView_;
  std::shared_ptr<uikit::View> lineView_;
};

}  // namespace photopicker
