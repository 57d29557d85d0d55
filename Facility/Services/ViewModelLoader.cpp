#include "Facility/Services/ViewModelLoader.h"

#include "Facility/Widgets/AppLoader.h"

std::function<void(ViewModelLoader::Call)>& ViewModelLoader::observer() {
  static std::function<void(Call)> slot;
  return slot;
}

void ViewModelLoader::show() {
  if (auto& o = observer()) o(Call::show);
  AppLoader::shared().show();
}

void ViewModelLoader::showWithBlankMessage() {
  if (auto& o = observer()) o(Call::showWithBlankMessage);
  AppLoader::shared().showWithBlankMessage();
}

void ViewModelLoader::hide() {
  if (auto& o = observer()) o(Call::hide);
  AppLoader::shared().hide();
}
