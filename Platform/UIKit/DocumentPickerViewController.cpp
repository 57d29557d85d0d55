#include "Platform/UIKit/DocumentPickerViewController.h"

namespace uikit {

bool DocumentPickerViewController::userPick(const std::vector<std::string>& urls) {
  auto d = delegate();
  if (!d) return false;
  auto keep = sharedAs<DocumentPickerViewController>();
  d->documentPickerDidPickDocumentsAtURLs(*this, urls);
  return true;
}

bool DocumentPickerViewController::userPickSingle(const std::string& url) {
  auto d = delegate();
  if (!d) return false;
  auto keep = sharedAs<DocumentPickerViewController>();
  d->documentPickerDidPickDocumentAtURL(*this, url);
  return true;
}

bool DocumentPickerViewController::userCancel() {
  auto d = delegate();
  if (!d) return false;
  auto keep = sharedAs<DocumentPickerViewController>();
  d->documentPickerWasCancelled(*this);
  return true;
}

}  // namespace uikit
