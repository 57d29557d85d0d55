// How the album list reports to the picker: a chosen album, and the end of
// the list's dismissal whatever caused it.
#pragma once

#include "Platform/Photos/AssetCollection.h"

namespace photopicker {

class AlbumsViewController;

class AlbumsViewControllerDelegate {
 public:
  virtual ~AlbumsViewControllerDelegate() = default;
  virtual void albumsViewControllerDidSelectAlbum(AlbumsViewController& list,
                                                  const photos::AssetCollectionPtr& album) = 0;
  virtual void didDismissAlbumsViewController(AlbumsViewController& list) = 0;
};

}  // namespace photopicker
