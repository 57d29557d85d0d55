// The console's "scan <text>": the live scanner on screen recognises the
// text, as its camera would when pointed at it.
#pragma once

#include <string>

namespace uikit {
class ConsoleDriver;
}

namespace visionkit {

class ScanCommand {
 public:
  static constexpr const char* kHelp = "scan <text>            the live scanner on screen reads the text";
  // Adds "scan" to the driver's commands.
  static bool registerWith(uikit::ConsoleDriver& driver);
  // Runs one scan; false (with a line saying why) when no scanner is
  // scanning on screen, the text is empty or the scanner took nothing.
  static bool run(uikit::ConsoleDriver& driver, const std::string& text);
};

}  // namespace visionkit
