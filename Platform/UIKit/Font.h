// Fonts with synthetic, deterministic metrics. The registry knows the system
// fonts (with weights) and the app's bundled "Gotham-Book" and
// "Gotham-Medium"; an unknown name yields no font, and callers fall back to
// the system font as the phone platform does.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/UIKit/Geometry.h"

namespace uikit {

enum class FontWeight { kUltraLight, kThin, kLight, kRegular, kMedium, kSemibold, kBold, kHeavy, kBlack };

class Font {
 public:
  Font();  // the 17-point system font

  static std::optional<Font> named(const std::string& name, double pointSize);
  // The named font, or the system font of that size when the name is unknown.
  static Font namedOrSystem(const std::string& name, double pointSize) {
    auto f = named(name, pointSize);
    return f ? *f : systemFont(pointSize);
  }
  static Font systemFont(double pointSize, FontWeight weight = FontWeight::kRegular);
  static Font boldSystemFont(double pointSize) { return systemFont(pointSize, FontWeight::kBold); }
  static double systemFontSize() { return 17.0; }
  static double labelFontSize() { return 17.0; }
  // Registers an extra face (tests, resources). Widths are per em.
  static void registerFont(const std::string& name, double averageCharWidthEm, FontWeight weight);
  static std::vector<std::string> registeredNames();
  // Tests only: drops a face, as on a phone whose bundle lacks it; true when
  // it was there. registerFont puts it back.
  static bool unregisterFont(const std::string& name);

  Font withSize(double pointSize) const;

  const std::string& fontName() const { return name_; }
  const std::string& familyName() const { return family_; }
  double pointSize() const { return size_; }
  FontWeight weight() const { return weight_; }
  bool isSystemFont() const { return system_; }

  double ascender() const { return size_ * 0.95; }
  double descender() const { return -size_ * 0.25; }
  double lineHeight() const { return ascender() - descender(); }
  double capHeight() const { return size_ * 0.7; }

  // Width of one line of text (no wrapping).
  double widthOfText(std::string_view text) const;
  // Size of text laid out within maxWidth (<= 0: unbounded), wrapping at
  // word boundaries and hard line breaks, limited to maxLines (0: none).
  Size sizeOfText(std::string_view text, double maxWidth, int maxLines = 0) const;
  // The text split into laid-out lines, as sizeOfText lays it out.
  std::vector<std::string> linesOfText(std::string_view text, double maxWidth) const;

  std::string description() const;
  friend bool operator==(const Font& a, const Font& b);

 private:
  Font(std::string name, std::string family, double size, FontWeight weight, double widthEm, bool system);
  std::string name_;
  std::string family_;
  double size_ = 17;
  FontWeight weight_ = FontWeight::kRegular;
  double widthEm_ = 0.5;
  bool system_ = true;
};

}  // namespace uikit
