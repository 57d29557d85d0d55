#include "Platform/CoreBluetooth/CBTypes.h"

#include <cctype>

namespace corebluetooth {

bool UUIDEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace corebluetooth
