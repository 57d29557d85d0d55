// The HUD's success tick, with optional title and subtitle.
#pragma once

#include <optional>
#include <string>

#include "Platform/UIKit/View.h"

namespace uikit {

class PKHUDSuccessView : public View {
 public:
  PKHUDSuccessView(std::optional<std::string> title = std::nullopt, std::optional<std::string> subtitle = std::nullopt)
      : View(Rect(0, 0, 156, 156)), title_(std::move(title)), subtitle_(std::move(subtitle)) {}
  const std::optional<std::string>& title() const { return title_; }
  const std::optional<std::string>& subtitle() const { return subtitle_; }

 private:
  std::optional<std::string> title_;
  std::optional<std::string> subtitle_;
};

}  // namespace uikit
