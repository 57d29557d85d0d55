#include "Platform/VisionKit/DataScannerViewController.h"

#include <algorithm>

#include "Platform/UIKit/Window.h"

namespace visionkit {

namespace {

struct DeviceState {
  bool supported = true;
  bool available = true;
  std::optional<platform::Status> startError;
};

DeviceState& device() {
  static DeviceState state;
  return state;
}

// Scanners that are scanning, oldest first. Main thread only, like the
// screens themselves.
std::vector<std::weak_ptr<DataScannerViewController>>& scanners() {
  static std::vector<std::weak_ptr<DataScannerViewController>> list;
  return list;
}

void forget(const DataScannerViewController* scanner) {
  auto& list = scanners();
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&](const auto& w) {
                              auto s = w.lock();
                              return !s || s.get() == scanner;
                            }),
             list.end());
}

}  // namespace

DataScannerViewController::DataScannerViewController(Options options) : options_(std::move(options)) {}

DataScannerViewController::~DataScannerViewController() {
  // weak_ptrs to this object have expired by now; sweep them out.
  forget(this);
}

bool DataScannerViewController::isSupported() { return device().supported; }
bool DataScannerViewController::isAvailable() { return device().available; }
void DataScannerViewController::setSupported(bool supported) { device().supported = supported; }
void DataScannerViewController::setAvailable(bool available) { device().available = available; }
void DataScannerViewController::setStartScanningError(std::optional<platform::Status> error) {
  device().startError = std::move(error);
}
void DataScannerViewController::resetDevice() { device() = DeviceState{}; }

platform::Status DataScannerViewController::startScanning() {
  if (!isSupported()) return platform::Status::NotSupported("the data scanner is not supported on this device");
  if (!isAvailable()) return platform::Status::FailedPrecondition("the data scanner is not available");
  if (device().startError) return *device().startError;
  if (scanning_) return platform::Status::OK();
  scanning_ = true;
  allItems_.clear();
  forget(this);
  scanners().push_back(sharedAs<DataScannerViewController>());
  return platform::Status::OK();
}

void DataScannerViewController::stopScanning() {
  scanning_ = false;
  forget(this);
}

bool DataScannerViewController::wants(const RecognizedItem& item) const {
  if (item.kind == RecognizedItem::Kind::kOther) return true;
  const auto kind = item.kind == RecognizedItem::Kind::kText ? RecognizedDataType::Kind::kText
                                                             : RecognizedDataType::Kind::kBarcode;
  return std::any_of(options_.recognizedDataTypes.begin(), options_.recognizedDataTypes.end(),
                     [&](const RecognizedDataType& t) { return t.kind == kind; });
}

bool DataScannerViewController::recognize(const std::vector<RecognizedItem>& items) {
  if (!scanning_) return false;
  std::vector<RecognizedItem> added;
  for (const auto& item : items) {
    if (wants(item)) added.push_back(item);
  }
  if (added.empty()) return false;
  allItems_.insert(allItems_.end(), added.begin(), added.end());
  auto keep = sharedAs<DataScannerViewController>();
  const auto all = allItems_;  // the delegate may stop or restart scanning
  if (auto d = delegate()) d->dataScannerDidAdd(*this, added, all);
  return true;
}

std::shared_ptr<DataScannerViewController> DataScannerViewController::scanningOnScreen() {
  auto& list = scanners();
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    auto s = it->lock();
    if (s && s->isScanning() && s->isViewLoaded() && s->view()->window() && !s->isBeingDismissed()) return s;
  }
  return nullptr;
}

}  // namespace visionkit
