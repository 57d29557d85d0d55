#pragma once
#include <optional>
#include <string>
#include <string_view>

// Reader kinds by the type code of their advertisement (byte 5, two
// lowercase hex digits).
enum class DeviceType { DorvaReader, DorvaReader2, Lumet, Quellon, Sarbit };

const char* DeviceTypeRawValue(DeviceType type);
std::optional<DeviceType> DeviceTypeFromRawValue(std::string_view raw);
