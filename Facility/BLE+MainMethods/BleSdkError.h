// The engine's error object and its catalogue. Fixed errors are shared
// instances (one per code); codes 21 and 22 are built when reported.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class BleSdkError;
using BleSdkErrorPtr = std::shared_ptr<const BleSdkError>;

class BleSdkError {
 public:
  BleSdkError(std::int64_t errorCode, std::string errorMessage)
      : errorCode_(errorCode), errorMessage_(std::move(errorMessage)) {}
  std::int64_t errorCode() const { return errorCode_; }
  const std::string& errorMessage() const { return errorMessage_; }

  // The shared instance of a catalogue code; null for any other code.
  static BleSdkErrorPtr fixed(std::int64_t code);
  // 21: the key request failed.
  static BleSdkErrorPtr initFailure(const std::optional<std::string>& reason);
  // 22: a system error came with a failed connection.
  static BleSdkErrorPtr systemError(const std::string& localizedDescription);

 private:
  std::int64_t errorCode_;
  std::string errorMessage_;
};

struct BLEErrorDesc {
  static constexpr const char* bluetoothOff =
      "Seems like your bluetooth is off. Please turn it on to continue scanning the devices.";
  static constexpr const char* unauthorised = "Unauthorised bluetooth state";
  static constexpr const char* unknownState =
      "Unknown bluetooth state, Please check yout bluetooth to make sure it is on";
  static constexpr const char* resetting = "Bluetooth is resetting";
  static constexpr const char* unsupported = "Bluetooth is not supported in your device";
  static constexpr const char* noDevice = "No bluetooth enabled device found";
  static constexpr const char* deviceNotFound = "Device you want to connect to is not found";
  static constexpr const char* scanningOff =
      "Bluetooth scanning is off, Please start scanning first to find the device nearby you";
  static constexpr const char* invalidUrl = "API URL is invalid, Please use a valid url and try again";
  static constexpr const char* notInitialised =
      "SDK has not initialised, Please initialize it by pulling down the app from the dashboard screen.";
  static constexpr const char* tagNotNumeric = "Tag must be a numeric value";
  static constexpr const char* tapAndGoNotInserted = "Insert tap and go data method is not called";
  static constexpr const char* commandNotPrepared = "Unable to prepare the access command, Please try again";
  static constexpr const char* deviceNoResponse = "Device did not respond, Please try again";
};

struct BLEFailureMessage {
  static constexpr const char* initPrefix = "Error in initializing sdk: ";
  static constexpr const char* somethingWrong = "Something went wrong, Please try again";
};

struct BLESuccessMessage {
  static constexpr const char* initialised = "SDK initialised successfully";
  static constexpr const char* scanStarted = "Device scanning started successfully";
  static constexpr const char* tapAndGoSaved = "Tap and Go data saved successfully";
  static constexpr const char* sdkVersion = "1.0";
  static constexpr const char* deviceList = "Device list fetched successfully";
  static constexpr const char* commandSent = "Command sent to the device successfully";
};
