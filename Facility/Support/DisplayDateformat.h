#pragma once

// Display patterns of dates and times on the screens.
struct DisplayDateformat {
  static constexpr const char* date = "dd/MM/yyyy";
  static constexpr const char* time = "HH:mm";
};
