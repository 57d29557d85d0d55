// The console's "photos" command ("photos rescan": rescans the shared photo
// library's folder and prints what changed). Registered by the program and
// the tools that show the photo library.
#pragma once

namespace uikit {
class ConsoleDriver;
}

namespace photosui {

class PhotosConsoleCommands {
 public:
  static bool install(uikit::ConsoleDriver& driver);
};

}  // namespace photosui
