#include "PhotoPicker/PlayerView.h"

namespace photopicker {

PlayerView::PlayerView() : PlayerView(uikit::Rect()) {}

PlayerView::PlayerView(const uikit::Rect& frame) : uikit::View(frame) {}

}  // namespace photopicker
