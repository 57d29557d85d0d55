#include "Platform/PhotosUI/PhotosConsoleCommands.h"

#include <sstream>

#include "Platform/Photos/PhotoLibrary.h"
#include "Platform/UIKit/Console/ConsoleDriver.h"

namespace photosui {

bool PhotosConsoleCommands::install(uikit::ConsoleDriver& driver) {
  return driver.addCommand(
      "photos", "photos rescan          rescans the photo folder and reports what changed",
      [](uikit::ConsoleDriver& d, const std::string& args) {
        std::istringstream words(args);
        std::string verb;
        std::string extra;
        words >> verb;
        if (verb != "rescan" || (words >> extra)) {
          d.note("photos: unknown arguments \"" + args + "\" (photos rescan)");
          return false;
        }
        const auto summary = photos::PhotoLibrary::shared()->rescan();
        d.note("photos: " + std::to_string(summary.added) + " added, " + std::to_string(summary.removed) +
               " removed, " + std::to_string(summary.changed) + " changed");
        return true;
      });
}

}  // namespace photosui
