#include "Platform/CoreBluetooth/Simulation/SimulatedReaders.h"

#include <charconv>
#include <cstdint>
#include <cmath>
#include <map>
#include <optional>
#include <utility>

#include "Platform/CommonCrypto/Hex.h"
#include "Platform/CoreBluetooth/CBRadio.h"
#include "Platform/Foundation/FileManager.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/Value.h"

using nlohmann::json;

namespace corebluetooth {
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

std::string VerdictLine(const std::string& id, const ReaderEmulator::Verdict& verdict) {
  if (!verdict.accepted) return "reader " + id + " refused: " + verdict.reason;
  return "reader " + id + " accepted tag=" + std::to_string(verdict.punch.tag) +
         " destination=" + std::to_string(verdict.punch.destination) +
         " boarding=" + std::to_string(verdict.punch.boarding) + " selected=" + std::to_string(verdict.punch.selected);
}

// One verdict as a JSON line; tag and floors only when the frame was read.
std::string VerdictJson(const std::string& id, const std::string& localName,
                        const ReaderEmulator::Verdict& verdict) {
  json line{{"reader", localName.empty() ? id : localName},
            {"id", id},
            {"accepted", verdict.accepted},
            {"reason", verdict.reason},
            {"framed", verdict.framed},
            {"tag", nullptr},
            {"floors", nullptr}};
  if (verdict.decoded) {
    line["tag"] = std::to_string(verdict.punch.tag);
    line["floors"] = {verdict.punch.destination, verdict.punch.boarding, verdict.punch.selected};
  }
  return line.dump();
}

// "access": decimal tags as text, each fitting the frame's tag field.
platform::Result<std::vector<std::int64_t>> AccessList(const std::string& id, const json& list) {
  if (!list.is_array()) return platform::Status::InvalidArgument(id + ": access must be a list of tags");
  std::vector<std::int64_t> tags;
  for (const json& entry : list) {
    const std::string text = entry.is_string() ? entry.get<std::string>() : std::string();
    std::int64_t tag = -1;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), tag);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || tag < 0 || tag > INT32_MAX)
      return platform::Status::InvalidArgument(id + ": access entries must be decimal tags as text");
    tags.push_back(tag);
  }
  return tags;
}

}  // namespace

SimulatedReaders::SimulatedReaders(EngineValues engine, LineSink verdicts, LineSink writes)
    : engine_(std::move(engine)), verdicts_(std::move(verdicts)), writes_(std::move(writes)) {}

platform::Result<json> SimulatedReaders::readFile(const std::string& path) {
  auto text = platform::FileManager::defaultManager().contentsAtPath(path);
  if (!text.ok()) return platform::Status::NotFound("cannot read " + path);
  json scenario = json::parse(text->begin(), text->end(), nullptr, false);
  if (scenario.is_discarded() || !scenario.is_object())
    return platform::Status::InvalidArgument(path + " is not a JSON object");
  return scenario;
}

platform::Status SimulatedReaders::load(const json& scenario) {
  // A field of the wrong type makes json::value throw; a scenario file is
  // outside input, so that is a refusal, not an abort.
  try {
    const json readers = scenario.value("readers", json::array());
    if (!readers.is_array()) return platform::Status::InvalidArgument("readers must be a list");
    if (scenario.contains("verdictFile")) {
      if (!scenario["verdictFile"].is_string())
        return platform::Status::InvalidArgument("verdictFile must be text");
      const std::string path = scenario["verdictFile"].get<std::string>();
      auto file = std::make_shared<std::ofstream>(path, std::ios::app);
      if (!*file) return platform::Status::InvalidArgument("cannot open verdictFile " + path);
      verdictFile_ = std::move(file);
    }
    for (const json& r : readers) {
      platform::Status status = loadReader(r);
      if (!status.ok()) return status;
    }
    return platform::Status::OK();
  } catch (const json::exception& e) {
    return platform::Status::InvalidArgument(std::string("scenario field of the wrong type: ") + e.what());
  }
}

platform::Status SimulatedReaders::loadReader(const json& r) {
  if (!r.is_object() || !r.contains("id") || !r["id"].is_string())
    return platform::Status::InvalidArgument("each reader needs a text id");
  CBRemoteScript script;
  script.identifier = r["id"].get<std::string>();
  script.name = r.value("localName", "");
  const std::string id = script.identifier;
  const std::string localName = script.name;
  auto data = HexBytes(r.value("manufacturerData", ""));
  if (!data) return platform::Status::InvalidArgument(id + ": manufacturerData is not hex");
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
  const bool framed = data->size() > 5 && ((*data)[5] == 1 || (*data)[5] == 7);
  const Service& service = framed ? engine_.framedReader : engine_.otherReader;
  script.services = {{service.uuid, service.characteristics}};
  const std::uint8_t b2 = data->size() > 3 ? (*data)[2] : 0, b3 = data->size() > 3 ? (*data)[3] : 0;
  // A reader with a key of its own, or one that uses the built-in key, keeps
  // it; the rest follow the engine's key as stored at each write.
  std::optional<std::string> fixedKey;
  if (r.contains("key")) fixedKey = r["key"].get<std::string>();
  else if (b2 == 0 && b3 == 0) fixedKey = engine_.builtInKey;
  auto emulator = std::make_shared<ReaderEmulator>(fixedKey.value_or(""), b2, b3, framed);
  if (r.contains("access")) {
    auto tags = AccessList(id, r["access"]);
    if (!tags.ok()) return tags.status();
    emulator->allowTags(std::move(*tags));
  }
  emulators_.push_back(emulator);
  script.onWrite = [emulator, id, localName, follows = !fixedKey, engineKey = engine_.engineKey, verdicts = verdicts_,
                    writes = writes_, file = verdictFile_](const std::string& characteristic,
                                                          const platform::Bytes& value) {
    if (writes) {
      std::string text(value.begin(), value.end());
      writes("write " + id + " " + characteristic + " text=\"" + Escaped(text) +
             "\" hex=" + platform::Hex::encode(value));
    }
    if (follows) emulator->setKeyHex(engineKey ? engineKey() : std::string());
    auto verdict = emulator->receive(value);
    if (verdicts) verdicts(VerdictLine(id, verdict));
    if (file) *file << VerdictJson(id, localName, verdict) << '\n' << std::flush;
    return CBErrorOpt{};
  };
  CBRadio::shared().addRemote(std::move(script));

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
      {CBAdvertisementDataManufacturerDataKey, platform::Value(*data)},
      {CBAdvertisementDataServiceUUIDsKey,
       platform::Value(platform::Value::Array{platform::Value(engine_.advertisedService)})}};
  if (!localName.empty()) advertisement[CBAdvertisementDataLocalNameKey] = localName;
  for (const auto& advert : adverts) {
    platform::RunLoop::main().asyncAfter(advert.first, [id, advertisement, rssi = advert.second] {
      CBRadio::shared().advertise(id, advertisement, rssi);
    });
  }
  return platform::Status::OK();
}

}  // namespace corebluetooth
