#pragma once

struct DeviceConstant {
  // Keychain account of the engine's encryption key.
  static constexpr const char* encryptionKey = "encryptionkey";
};
