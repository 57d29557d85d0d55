#include "Facility/Services/DocumentManager.h"

#include "Platform/Foundation/Log.h"

void DocumentManager::documentPickerDidPickDocumentsAtURLs(uikit::DocumentPickerViewController& picker,
                                                           const std::vector<std::string>& urls) {
  (void)picker;
  if (commpletion) commpletion(urls);
}

void DocumentManager::documentPickerDidPickDocumentAtURL(uikit::DocumentPickerViewController& picker,
                                                         const std::string& url) {
  (void)picker;
  platform::LogInfo(url);
}
