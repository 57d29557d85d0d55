#include "Platform/VisionKit/ScanCommand.h"

#include "Platform/UIKit/Console/ConsoleDriver.h"
#include "Platform/VisionKit/DataScannerViewController.h"

namespace visionkit {

bool ScanCommand::registerWith(uikit::ConsoleDriver& driver) {
  return driver.addCommand("scan", kHelp, [](uikit::ConsoleDriver& d, const std::string& args) { return run(d, args); });
}

bool ScanCommand::run(uikit::ConsoleDriver& driver, const std::string& text) {
  if (text.empty()) {
    driver.note("error: scan needs the text the camera sees");
    return false;
  }
  auto scanner = DataScannerViewController::scanningOnScreen();
  if (!scanner) {
    driver.note("error: no live scanner is scanning on screen");
    return false;
  }
  if (!scanner->recognize({RecognizedItem::text(text)})) {
    driver.note("error: the live scanner does not read text");
    return false;
  }
  return true;
}

}  // namespace visionkit
