// The system document picker. The picked URLs are supplied by the test or
// script; the delegate hears the multi-URL call (or, for userPickSingle, the
// single-URL call).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/UIKit/ViewController.h"

namespace uikit {

class DocumentPickerViewController;

class DocumentPickerDelegate {
 public:
  virtual ~DocumentPickerDelegate() = default;
  virtual void documentPickerDidPickDocumentsAtURLs(DocumentPickerViewController& picker,
                                                    const std::vector<std::string>& urls) {
    (void)picker, (void)urls;
  }
  virtual void documentPickerDidPickDocumentAtURL(DocumentPickerViewController& picker, const std::string& url) {
    (void)picker, (void)url;
  }
  virtual void documentPickerWasCancelled(DocumentPickerViewController& picker) { (void)picker; }
};

class DocumentPickerViewController : public ViewController {
 public:
  explicit DocumentPickerViewController(std::vector<std::string> contentTypes = {}, bool asCopy = true)
      : contentTypes_(std::move(contentTypes)), asCopy_(asCopy) {}
  void setDelegate(const std::shared_ptr<DocumentPickerDelegate>& d) { delegate_ = d; }
  std::shared_ptr<DocumentPickerDelegate> delegate() const { return delegate_.lock(); }
  const std::vector<std::string>& contentTypes() const { return contentTypes_; }
  bool asCopy() const { return asCopy_; }
  bool allowsMultipleSelection = false;

  bool userPick(const std::vector<std::string>& urls);
  bool userPickSingle(const std::string& url);
  bool userCancel();

 private:
  std::vector<std::string> contentTypes_;
  bool asCopy_;
  std::weak_ptr<DocumentPickerDelegate> delegate_;
};

}  // namespace uikit
