#include "ScenarioRunner.h"

#include <cstdio>
#include <vector>

#include "Facility/App/RadioReaders.h"
#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Platform/CoreBluetooth/CBRadio.h"
#include "Platform/CoreBluetooth/Haptics.h"
#include "Platform/CoreBluetooth/Simulation/SimulatedReaders.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Foundation/Value.h"

using nlohmann::json;

namespace {

std::string ErrorText(const BleSdkErrorPtr& e) {
  return "code=" + std::to_string(e->errorCode()) + " \"" + e->errorMessage() + "\"";
}

class PrintingDelegate : public BleManagerDelegate {
 public:
  PrintingDelegate(std::ostream& out, const platform::ManualClock& clock) : out_(out), clock_(clock) {}
  void line(const std::string& text) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%8.3f] ", clock_.uptime() - start_);
    out_ << stamp << text << "\n";
  }
  void setStart(double start) { start_ = start; }
  void onInitSuccessWithSuccessMsg(const std::string& m) override { line("onInitSuccessWithSuccessMsg: " + m); }
  void onInitFailureWithError(const BleSdkErrorPtr& e) override { line("onInitFailureWithError: " + ErrorText(e)); }
  void onScanSuccessWithSuccessMsg(const std::string& m) override { line("onScanSuccessWithSuccessMsg: " + m); }
  void onScanFailureWithError(const BleSdkErrorPtr& e) override { line("onScanFailureWithError: " + ErrorText(e)); }
  void onBleManagerSuccessWithSuccessMsg(const std::string& m) override {
    line("onBleManagerSuccessWithSuccessMsg: " + m);
  }
  void onBleManagerFailureWithError(const BleSdkErrorPtr& e) override {
    line("onBleManagerFailureWithError: " + ErrorText(e));
  }
  void onCommandSendSuccessWithSuccessMsg(const std::string& m) override {
    line("onCommandSendSuccessWithSuccessMsg: " + m);
  }
  void onGetDeviceListSuccessWithSuccessMsg(const std::string& m, const std::vector<BLEDeviceEntry>& list) override {
    std::string text = "onGetDeviceListSuccessWithSuccessMsg: " + m + " [";
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (i) text += ", ";
      text += list[i].at("unique_id") + " \"" + list[i].at("device_name") + "\"";
    }
    line(text + "]");
  }
  void onGetDeviceListFailureWithError(const BleSdkErrorPtr& e) override {
    line("onGetDeviceListFailureWithError: " + ErrorText(e));
  }

 private:
  std::ostream& out_;
  const platform::ManualClock& clock_;
  double start_ = 0;
};

}  // namespace

struct ScenarioRunner::State {
  std::ostream& out;
  std::shared_ptr<platform::ManualClock> clock = std::make_shared<platform::ManualClock>();
  std::shared_ptr<PrintingDelegate> delegate;
  std::unique_ptr<corebluetooth::SimulatedReaders> readers;
  explicit State(std::ostream& o) : out(o) {}
};

ScenarioRunner::ScenarioRunner(std::ostream& out) : state_(std::make_unique<State>(out)) {}
ScenarioRunner::~ScenarioRunner() = default;

platform::Status ScenarioRunner::run(const json& scenario) {
  // A field of the wrong type makes json::value throw; a scenario file is
  // outside input, so that is a refusal, not an abort.
  try {
    return play(scenario);
  } catch (const json::exception& e) {
    platform::RunLoop::main().removeAllPending();
    return platform::Status::InvalidArgument(std::string("scenario field of the wrong type: ") + e.what());
  }
}

platform::Status ScenarioRunner::play(const json& scenario) {
  State& s = *state_;
  platform::Clock::setCurrent(s.clock);
  s.delegate = std::make_shared<PrintingDelegate>(s.out, *s.clock);
  s.delegate->setStart(s.clock->uptime());
  auto& radio = corebluetooth::CBRadio::shared();
  radio.reset();
  auto& defaults = platform::UserDefaults::standard();

  // Stored values.
  const json stored = scenario.value("defaults", json::object());
  if (!stored.is_object()) return platform::Status::InvalidArgument("defaults must be an object");
  const std::map<std::string, const char*> keys{{"tagId", TarneloBLEKeys::tagId},
                                                {"destinationFloor", TarneloBLEKeys::destinationFloor},
                                                {"boardingFloor", TarneloBLEKeys::boardingFloor},
                                                {"selectedFloor", TarneloBLEKeys::selectedFloor},
                                                {"sensitivity", TarneloBLEKeys::sensitivity},
                                                {"shouldAllowPunch", TarneloBLEKeys::shouldAllowPunch},
                                                {"encryptionKey", TarneloBLEKeys::encryptionKey}};
  for (auto& [name, value] : stored.items()) {
    auto key = keys.find(name);
    if (key == keys.end()) return platform::Status::InvalidArgument("unknown default " + name);
    if (value.is_string()) defaults.setString(value.get<std::string>(), key->second);
    else if (value.is_number_integer()) defaults.setInteger(value.get<std::int64_t>(), key->second);
    else return platform::Status::InvalidArgument("default " + name + " must be text or integer");
  }

  // Readers.
  auto* delegate = s.delegate.get();
  auto print = [delegate](const std::string& line) { delegate->line(line); };
  s.readers = std::make_unique<corebluetooth::SimulatedReaders>(RadioReaders::engineValues(), print, print);
  if (platform::Status loaded = s.readers->load(scenario); !loaded.ok()) {
    platform::RunLoop::main().removeAllPending();
    return loaded;
  }

  // The engine.
  auto engine = TarneloBLE::create();
  engine->setBleManagerDelegate(s.delegate);
  const json actions = scenario.value("actions", json::array());
  if (!actions.is_array()) return platform::Status::InvalidArgument("actions must be a list");
  for (const json& a : actions) {
    if (!a.is_object() || !a.contains("action") || !a["action"].is_string())
      return platform::Status::InvalidArgument("each action needs an \"action\" name");
    const std::string name = a["action"].get<std::string>();
    if (name == "startScan") {
      engine->startScan();
    } else if (name == "startScanWithTapAndGo") {
      engine->startScanWithTapAndGoWithTapAndGoEnabled(a.value("enabled", true));
    } else if (name == "stopScan") {
      engine->stopScan();
    } else if (name == "tapAndGoData") {
      engine->insertTapAndGoDataWithTag(a.value("tag", ""), 0, 0, 0, a.value("sensitivity", 2));
    } else if (name == "punch") {
      engine->makePunchWithTagId(a.value("tag", defaults.stringForKey(TarneloBLEKeys::tagId).value_or("")),
                                 a.value("destinationFloor", defaults.integerForKey(TarneloBLEKeys::destinationFloor)),
                                 a.value("boardingFloor", defaults.integerForKey(TarneloBLEKeys::boardingFloor)),
                                 a.value("selectedFloor", defaults.integerForKey(TarneloBLEKeys::selectedFloor)),
                                 a.value("reader", ""));
    } else if (name == "deviceList") {
      engine->getDeviceList();
    } else if (name == "disconnect") {
      radio.disconnect(a.value("reader", ""), std::nullopt);
    } else if (name == "bluetoothState") {
      radio.setState(static_cast<corebluetooth::CBManagerState>(a.value("state", 5)));
    } else if (name == "wait") {
      double seconds = a.value("seconds", 0.0);
      if (seconds < 0) return platform::Status::InvalidArgument("wait needs seconds >= 0");
      s.clock->runFor(seconds);
      continue;
    } else {
      return platform::Status::InvalidArgument("unknown action " + name);
    }
    s.clock->runUntilIdle();
  }
  s.clock->runUntilIdle();
  s.delegate->line("vibrations=" + std::to_string(corebluetooth::Haptics::shared().vibrationCount()));
  engine.reset();
  platform::RunLoop::main().removeAllPending();
  return platform::Status::OK();
}
