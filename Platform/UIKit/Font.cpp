#include "Platform/UIKit/Font.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>

namespace uikit {

namespace {

struct Face {
  std::string family;
  double widthEm;
  FontWeight weight;
};

std::mutex& registryMutex() {
  static std::mutex mu;
  return mu;
}

std::map<std::string, Face>& registry() {
  static std::map<std::string, Face> faces = {
      {"Gotham-Book", {"Gotham", 0.55, FontWeight::kRegular}},
      {"Gotham-Medium", {"Gotham", 0.58, FontWeight::kMedium}},
      {"Helvetica", {"Helvetica", 0.52, FontWeight::kRegular}},
      {"Helvetica-Bold", {"Helvetica", 0.56, FontWeight::kBold}},
  };
  return faces;
}

const char* weightSuffix(FontWeight w) {
  switch (w) {
    case FontWeight::kUltraLight: return "UltraLight";
    case FontWeight::kThin: return "Thin";
    case FontWeight::kLight: return "Light";
    case FontWeight::kRegular: return "Regular";
    case FontWeight::kMedium: return "Medium";
    case FontWeight::kSemibold: return "Semibold";
    case FontWeight::kBold: return "Bold";
    case FontWeight::kHeavy: return "Heavy";
    case FontWeight::kBlack: return "Black";
  }
  return "Regular";
}

double weightWidth(FontWeight w) {
  return w >= FontWeight::kSemibold ? 0.53 : 0.5;
}

// Count of code points: every character gets the same advance.
std::size_t glyphCount(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char ch : s) {
    if ((ch & 0xC0) != 0x80) ++n;
  }
  return n;
}

}  // namespace

Font::Font() : Font(".SFUI-Regular", ".SF UI", 17, FontWeight::kRegular, 0.5, true) {}

Font::Font(std::string name, std::string family, double size, FontWeight weight, double widthEm, bool system)
    : name_(std::move(name)), family_(std::move(family)), size_(size), weight_(weight), widthEm_(widthEm),
      system_(system) {}

std::optional<Font> Font::named(const std::string& name, double pointSize) {
  if (name.rfind(".SFUI-", 0) == 0) {
    std::string w = name.substr(6);
    for (int i = 0; i <= static_cast<int>(FontWeight::kBlack); ++i) {
      if (w == weightSuffix(static_cast<FontWeight>(i))) return systemFont(pointSize, static_cast<FontWeight>(i));
    }
    return std::nullopt;
  }
  std::lock_guard<std::mutex> lock(registryMutex());
  auto it = registry().find(name);
  if (it == registry().end()) return std::nullopt;
  return Font(name, it->second.family, pointSize, it->second.weight, it->second.widthEm, false);
}

Font Font::systemFont(double pointSize, FontWeight weight) {
  return Font(std::string(".SFUI-") + weightSuffix(weight), ".SF UI", pointSize, weight, weightWidth(weight), true);
}

void Font::registerFont(const std::string& name, double averageCharWidthEm, FontWeight weight) {
  std::lock_guard<std::mutex> lock(registryMutex());
  std::string family = name.substr(0, name.find('-'));
  registry()[name] = Face{family, averageCharWidthEm, weight};
}

bool Font::unregisterFont(const std::string& name) {
  std::lock_guard<std::mutex> lock(registryMutex());
  return registry().erase(name) > 0;
}

std::vector<std::string> Font::registeredNames() {
  std::lock_guard<std::mutex> lock(registryMutex());
  std::vector<std::string> names;
  for (const auto& [name, face] : registry()) names.push_back(name);
  return names;
}

Font Font::withSize(double pointSize) const {
  Font f = *this;
  f.size_ = pointSize;
  return f;
}

double Font::widthOfText(std::string_view text) const {
  return std::ceil(static_cast<double>(glyphCount(text)) * widthEm_ * size_ * 100) / 100;
}

std::vector<std::string> Font::linesOfText(std::string_view text, double maxWidth) const {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (true) {
    std::size_t nl = text.find('\n', start);
    std::string_view para = text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
    if (maxWidth <= 0 || widthOfText(para) <= maxWidth) {
      lines.emplace_back(para);
    } else {
      // Greedy word wrap; a word longer than the line is broken by characters.
      std::string line;
      std::size_t i = 0;
      while (i < para.size()) {
        std::size_t sp = para.find(' ', i);
        std::string word(para.substr(i, sp == std::string_view::npos ? std::string_view::npos : sp - i + 1));
        i = sp == std::string_view::npos ? para.size() : sp + 1;
        std::string candidate = line + word;
        std::string trimmed = candidate;
        while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
        if (widthOfText(trimmed) <= maxWidth) {
          line = candidate;
          continue;
        }
        if (!line.empty()) {
          while (!line.empty() && line.back() == ' ') line.pop_back();
          lines.push_back(line);
          line.clear();
        }
        // Break an over-long word by code points.
        std::string piece;
        for (std::size_t k = 0; k < word.size();) {
          std::size_t len = 1;
          unsigned char ch = static_cast<unsigned char>(word[k]);
          if (ch >= 0xF0) len = 4; else if (ch >= 0xE0) len = 3; else if (ch >= 0xC0) len = 2;
          std::string next = piece + word.substr(k, len);
          if (!piece.empty() && widthOfText(next) > maxWidth && word.substr(k, len) != " ") {
            lines.push_back(piece);
            piece = word.substr(k, len);
          } else {
            piece = next;
          }
          k += len;
        }
        line = piece;
      }
      while (!line.empty() && line.back() == ' ') line.pop_back();
      if (!line.empty()) lines.push_back(line);
    }
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return lines;
}

Size Font::sizeOfText(std::string_view text, double maxWidth, int maxLines) const {
  if (text.empty()) return {0, 0};
  std::vector<std::string> lines = linesOfText(text, maxWidth);
  if (maxLines > 0 && static_cast<int>(lines.size()) > maxLines) lines.resize(static_cast<std::size_t>(maxLines));
  double w = 0;
  for (const auto& l : lines) w = std::max(w, widthOfText(l));
  if (maxWidth > 0) w = std::min(w, maxWidth);
  return {w, std::ceil(lineHeight() * static_cast<double>(lines.size()) * 100) / 100};
}

std::string Font::description() const {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", size_);
  return name_ + " " + buf + "pt";
}

bool operator==(const Font& a, const Font& b) {
  return a.name_ == b.name_ && std::fabs(a.size_ - b.size_) < 1e-9;
}

}  // namespace uikit
