#include "Facility/BLE+MainMethods/DeviceType.h"

const char* DeviceTypeRawValue(DeviceType type) {
  switch (type) {
    case DeviceType::DorvaReader: return "01";
    case DeviceType::DorvaReader2: return "07";
    case DeviceType::Lumet: return "02";
    case DeviceType::Quellon: return "03";
    case DeviceType::Sarbit: return "04";
  }
  return "";
}

std::optional<DeviceType> DeviceTypeFromRawValue(std::string_view raw) {
  for (auto t : {DeviceType::DorvaReader, DeviceType::DorvaReader2, DeviceType::Lumet, DeviceType::Quellon,
                 DeviceType::Sarbit}) {
    if (raw == DeviceTypeRawValue(t)) return t;
  }
  return std::nullopt;
}
