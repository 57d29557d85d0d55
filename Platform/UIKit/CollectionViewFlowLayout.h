// The flow layout: items in lines with spacing and section insets.
#pragma once

#include "Platform/UIKit/Geometry.h"

namespace uikit {

enum class ScrollDirection { kVertical, kHorizontal };

class CollectionViewFlowLayout {
 public:
  Size itemSize{50, 50};
  Size estimatedItemSize{0, 0};
  double minimumLineSpacing = 10;
  double minimumInteritemSpacing = 10;
  EdgeInsets sectionInset;
  ScrollDirection scrollDirection = ScrollDirection::kVertical;
  Size headerReferenceSize{0, 0};
  Size footerReferenceSize{0, 0};
};

}  // namespace uikit
