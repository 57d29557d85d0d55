// A live camera scanner screen that reports the text and barcodes it sees.
// There is no camera here: the options are recorded, and what the camera
// would recognise is handed in with recognize() (by tests or the console's
// "scan", see ScanCommand). Whether the device supports and allows the
// scanner, and whether starting fails, are injectable; both default to a
// device that scans.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Status.h"
#include "Platform/UIKit/ViewController.h"
#include "Platform/VisionKit/RecognizedItem.h"

namespace visionkit {

class DataScannerViewController;

class DataScannerViewControllerDelegate {
 public:
  virtual ~DataScannerViewControllerDelegate() = default;
  // added: the items new in this picture; allItems: every item recognised
  // since scanning started, the added ones last.
  virtual void dataScannerDidAdd(DataScannerViewController& scanner, const std::vector<RecognizedItem>& added,
                                 const std::vector<RecognizedItem>& allItems) {
    (void)scanner, (void)added, (void)allItems;
  }
};

struct RecognizedDataType {
  enum class Kind { kText, kBarcode };
  Kind kind = Kind::kText;
  std::vector<std::string> languages;       // text: none means any
  std::optional<std::string> textContentType;  // text: none means any

  static RecognizedDataType text(std::vector<std::string> languages = {},
                                 std::optional<std::string> textContentType = std::nullopt) {
    return {Kind::kText, std::move(languages), std::move(textContentType)};
  }
  static RecognizedDataType barcode() { return {Kind::kBarcode, {}, std::nullopt}; }
};

enum class QualityLevel { kBalanced, kFast, kAccurate };

class DataScannerViewController : public uikit::ViewController {
 public:
  struct Options {
    std::vector<RecognizedDataType> recognizedDataTypes;
    QualityLevel qualityLevel = QualityLevel::kBalanced;
    bool recognizesMultipleItems = false;
    bool isHighFrameRateTrackingEnabled = true;
    bool isPinchToZoomEnabled = false;
    bool isGuidanceEnabled = false;
    bool isHighlightingEnabled = false;
  };

  explicit DataScannerViewController(Options options);
  ~DataScannerViewController() override;

  const Options& options() const { return options_; }

  // Whether this device has the scanner at all, and whether it may be used
  // now (camera permission, restrictions).
  static bool isSupported();
  static bool isAvailable();
  // Test seams; resetDevice() restores a device that scans.
  static void setSupported(bool supported);
  static void setAvailable(bool available);
  static void setStartScanningError(std::optional<platform::Status> error);
  static void resetDevice();

  void setDelegate(const std::shared_ptr<DataScannerViewControllerDelegate>& d) { delegate_ = d; }
  std::shared_ptr<DataScannerViewControllerDelegate> delegate() const { return delegate_.lock(); }

  // Fails when the device cannot scan or a failure was injected.
  platform::Status startScanning();
  void stopScanning();
  bool isScanning() const { return scanning_; }

  // The camera recognises items. Only a scanning scanner reports them, and
  // only items of the recognised kinds (an "other" item always passes, as
  // the platform may report kinds it has no name for). Returns false when
  // nothing was reported.
  bool recognize(const std::vector<RecognizedItem>& items);
  const std::vector<RecognizedItem>& allItems() const { return allItems_; }

  // The scanner that is scanning and on screen, if any (the latest started).
  static std::shared_ptr<DataScannerViewController> scanningOnScreen();

 private:
  bool wants(const RecognizedItem& item) const;

  Options options_;
  std::weak_ptr<DataScannerViewControllerDelegate> delegate_;
  bool scanning_ = false;
  std::vector<RecognizedItem> allItems_;
};

}  // namespace visionkit
