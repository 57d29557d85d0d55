// What a live scanner found in the camera picture: a piece of text, a
// barcode or something else.
#pragma once

#include <string>

namespace visionkit {

struct RecognizedItem {
  enum class Kind { kText, kBarcode, kOther };
  Kind kind = Kind::kOther;
  // The words read, for a text item.
  std::string transcript;
  // The decoded contents, for a barcode item.
  std::string payload;

  static RecognizedItem text(std::string transcript) { return {Kind::kText, std::move(transcript), ""}; }
  static RecognizedItem barcode(std::string payload) { return {Kind::kBarcode, "", std::move(payload)}; }
  static RecognizedItem other() { return {}; }
};

}  // namespace visionkit
