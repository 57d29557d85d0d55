// Delegate of the document picker: hands the picked URLs, in the picker's
// order, to one callback.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Platform/UIKit/DocumentPickerViewController.h"

class DocumentManager : public uikit::DocumentPickerDelegate {
 public:
  std::function<void(const std::vector<std::string>&)> commpletion;

  void documentPickerDidPickDocumentsAtURLs(uikit::DocumentPickerViewController& picker,
                                            const std::vector<std::string>& urls) override;
  // Only logged: the several-URL call carries the picking.
  void documentPickerDidPickDocumentAtURL(uikit::DocumentPickerViewController& picker, const std::string& url) override;
};
