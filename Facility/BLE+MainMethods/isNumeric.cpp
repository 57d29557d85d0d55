#include "Facility/BLE+MainMethods/isNumeric.h"

bool isNumeric(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}
