#include "ScenarioRunner.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "Facility/BLE+MainMethods/BLEEncryption.h"
#include "Facility/BLE+MainMethods/TarneloBLE.h"
#include "Facility/BLE+MainMethods/TarneloBLEKeys.h"
#include "Platform/CommonCrypto/Hex.h"
#include "Platform/CoreBluetooth/CBRadio.h"
#include "Platform/CoreBluetooth/Haptics.h"
#include "Platform/CoreBluetooth/Simulation/ReaderEmulator.h"
#include "Platform/Foundation/ManualClock.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Foundation/Value.h"

using nlohmann::json;

namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '"') out += "\\\"";
    else out += c;
  }
  return out;
}

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

std::optional<platform::Bytes> HexBytes(const std::string& text) {
  std::string digits;
  for (char c : text)
    if (c != ' ' && c != ':') digits += c;
  return platform::Hex::decode(digits);
}

template <typename E>
platform::Result<E> Pick(const json& reader, const char* key, const std::map<std::string, E>& names, E fallback) {
  if (!reader.contains(key)) return fallback;
  if (!reader[key].is_string()) return platform::Status::InvalidArgument(std::string(key) + " must be text");
  auto it = names.find(reader[key].get<std::string>());
  if (it == names.end()) return platform::Status::InvalidArgument("unknown " + std::string(key) + " answer");
  return it->second;
}

}  // namespace

struct ScenarioRunner::State {
  std::ostream& out;
  std::shared_ptr<platform::ManualClock> clock = std::make_shared<platform::ManualClock>();
  std::shared_ptr<PrintingDelegate> delegate;
  std::vector<std::unique_ptr<corebluetooth::ReaderEmulator>> emulators;
  std::map<std::string, platform::Bytes> manufacturer;
  std::map<std::string, std::string> names;
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
  using corebluetooth::CBRemoteScript;
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
  std::string engineKey = defaults.stringObjectForKey(TarneloBLEKeys::encryptionKey).value_or("");

  // Readers.
  const json readers = scenario.value("readers", json::array());
  if (!readers.is_array()) return platform::Status::InvalidArgument("readers must be a list");
  for (const json& r : readers) {
    if (!r.is_object() || !r.contains("id") || !r["id"].is_string())
      return platform::Status::InvalidArgument("each reader needs a text id");
    CBRemoteScript script;
    script.identifier = r["id"].get<std::string>();
    script.name = r.value("localName", "");
    auto data = HexBytes(r.value("manufacturerData", ""));
    if (!data) return platform::Status::InvalidArgument(script.identifier + ": manufacturerData is not hex");
    s.manufacturer[script.identifier] = *data;
    s.names[script.identifier] = script.name;
    auto connect = Pick<CBRemoteScript::Connect>(r, "connect",
                                                 {{"succeed", CBRemoteScript::Connect::succeed},
                                                  {"failWithError", CBRemoteScript::Connect::failWithError},
                                                  {"failWithoutError", CBRemoteScript::Connect::failWithoutError},
                                                  {"silence", CBRemoteScript::Connect::silence}},
                                                 CBRemoteScript::Connect::succeed);
    const std::map<std::string, CBRemoteScript::Answer> answers{{"succeed", CBRemoteScript::Answer::succeed},
                                                                {"fail", CBRemoteScript::Answer::fail},
                                                                {"silence", CBRemoteScript::Answer::silence}};
    auto discover = Pick(r, "discover", answers, CBRemoteScript::Answer::succeed);
    auto characteristics = Pick(r, "characteristics", answers, CBRemoteScript::Answer::succeed);
    auto write = Pick(r, "write", answers, CBRemoteScript::Answer::succeed);
    if (!connect.ok()) return connect.status();
    if (!discover.ok()) return discover.status();
    if (!characteristics.ok()) return characteristics.status();
    if (!write.ok()) return write.status();
    script.connect = *connect;
    script.serviceDiscovery = *discover;
    script.characteristicDiscovery = *characteristics;
    script.write = *write;
    bool dorva = data->size() > 5 && ((*data)[5] == 1 || (*data)[5] == 7);
    if (dorva)
      script.services = {{TarneloBLE::kDorvaService, {TarneloBLE::kDorvaWrite, TarneloBLE::kDorvaSecond}}};
    else
      script.services = {{TarneloBLE::kOtherService, {TarneloBLE::kOtherWrite, TarneloBLE::kOtherSecond}}};
    std::uint8_t b2 = data->size() > 3 ? (*data)[2] : 0, b3 = data->size() > 3 ? (*data)[3] : 0;
    std::string readerKey = r.value("key", (b2 == 0 && b3 == 0) ? std::string(BLEEncryption::kBuiltInKey) : engineKey);
    s.emulators.push_back(std::make_unique<corebluetooth::ReaderEmulator>(readerKey, b2, b3, dorva));
    auto* emulator = s.emulators.back().get();
    auto* delegate = s.delegate.get();
    std::string id = script.identifier;
    script.onWrite = [emulator, delegate, id](const std::string& characteristic, const platform::Bytes& value) {
      std::string text(value.begin(), value.end());
      delegate->line("write " + id + " " + characteristic + " text=\"" + Escaped(text) +
                     "\" hex=" + platform::Hex::encode(value));
      auto verdict = emulator->receive(value);
      if (verdict.accepted)
        delegate->line("reader " + id + " accepted tag=" + std::to_string(verdict.punch.tag) +
                       " destination=" + std::to_string(verdict.punch.destination) +
                       " boarding=" + std::to_string(verdict.punch.boarding) +
                       " selected=" + std::to_string(verdict.punch.selected));
      else
        delegate->line("reader " + id + " refused: " + verdict.reason);
      return corebluetooth::CBErrorOpt{};
    };
    radio.addRemote(std::move(script));

    // Advertisements over time: [{"at": seconds, "rssi": dBm}, ...] or one
    // "rssi" with an "every"/"until" pair.
    std::vector<std::pair<double, int>> adverts;
    if (r.contains("adverts")) {
      if (!r["adverts"].is_array()) return platform::Status::InvalidArgument(id + ": adverts must be a list");
      if (r["adverts"].size() > kMaxAdvertsPerReader)
        return platform::Status::InvalidArgument(id + ": more than " + std::to_string(kMaxAdvertsPerReader) +
                                                 " adverts");
      for (const json& a : r["adverts"]) {
        if (!a.is_object() || !a.value("at", json()).is_number() || !a.value("rssi", json()).is_number_integer())
          return platform::Status::InvalidArgument(id + ": adverts need numeric at and integer rssi");
        if (!std::isfinite(a["at"].get<double>()))
          return platform::Status::InvalidArgument(id + ": advert at must be a finite number");
        adverts.push_back({a["at"].get<double>(), a["rssi"].get<int>()});
      }
    } else if (r.contains("rssi")) {
      if (!r["rssi"].is_number_integer()) return platform::Status::InvalidArgument(id + ": rssi must be an integer");
      double every = r.value("every", 0.5), until = r.value("until", 0.0), from = r.value("from", 0.0);
      if (!std::isfinite(from) || !std::isfinite(until) || !std::isfinite(every))
        return platform::Status::InvalidArgument(id + ": from, until and every must be finite numbers");
      if (every <= 0) return platform::Status::InvalidArgument(id + ": every must be positive");
      // Counted up front: a step lost in rounding, or a far-off until, would
      // otherwise grow the list until memory runs out.
      if (from + every == from)
        return platform::Status::InvalidArgument(id + ": every is too small to advance from " +
                                                 platform::FormatDouble(from));
      const double count = until < from ? 0.0 : std::floor((until + 1e-9 - from) / every) + 1.0;
      if (count > static_cast<double>(kMaxAdvertsPerReader))
        return platform::Status::InvalidArgument(id + ": from, until and every give more than " +
                                                 std::to_string(kMaxAdvertsPerReader) + " adverts");
      for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
        double t = from + static_cast<double>(i) * every;
        if (t > until + 1e-9) break;
        adverts.push_back({t, r["rssi"].get<int>()});
      }
    }
    platform::Value::Dictionary advertisement{
        {corebluetooth::CBAdvertisementDataManufacturerDataKey, platform::Value(*data)},
        {corebluetooth::CBAdvertisementDataServiceUUIDsKey,
         platform::Value(platform::Value::Array{platform::Value(TarneloBLE::kServiceUUID)})}};
    if (!s.names[id].empty()) advertisement[corebluetooth::CBAdvertisementDataLocalNameKey] = s.names[id];
    for (auto [at, rssi] : adverts) {
      platform::RunLoop::main().asyncAfter(at, [id, advertisement, rssi] {
        corebluetooth::CBRadio::shared().advertise(id, advertisement, rssi);
      });
    }
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
