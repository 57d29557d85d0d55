#pragma once

// User-default keys the engine shares with the screens.
struct TarneloBLEKeys {
  static constexpr const char* tagId = "com.tarnelo.ble.tagId";
  static constexpr const char* destinationFloor = "com.tarnelo.ble.DestinationFloor";
  static constexpr const char* boardingFloor = "com.tarnelo.ble.BoardingFloor";
  static constexpr const char* selectedFloor = "com.tarnelo.ble.selectedFloor";
  static constexpr const char* sensitivity = "com.tarnelo.ble.sensitivity";
  static constexpr const char* shouldAllowPunch = "com.tarnelo.ble.shouldAllowPunch";
  static constexpr const char* encryptionKey = "com.tarnelo.blesdk.encryptionKey";
};
