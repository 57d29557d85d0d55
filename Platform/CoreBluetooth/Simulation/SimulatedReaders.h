// Scripted readers on the simulated radio, loaded from the "readers" list of
// a radio scenario (the ble-sim format). Each reader is a remote device with
// a ReaderEmulator behind its write characteristic; every write it checks
// gives one verdict line. The engine's own values (service and
// characteristic identifiers, built-in key) come from the caller, so this
// stays free of the app's code.
#pragma once

#include <cstddef>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Platform/CoreBluetooth/Simulation/ReaderEmulator.h"
#include "Platform/Foundation/Status.h"

namespace corebluetooth {

class SimulatedReaders {
 public:
  // More adverts than this for one reader is refused: the clock would take
  // too long, or memory run out, to play them.
  static constexpr std::size_t kMaxAdvertsPerReader = 100000;

  struct Service {
    std::string uuid;
    std::vector<std::string> characteristics;  // the write characteristic first
  };
  struct EngineValues {
    std::string advertisedService;  // every reader advertises it
    Service framedReader;           // readers of type 1 or 7 (manufacturer byte 5) take CR/LF-framed writes
    Service otherReader;
    std::string builtInKey;  // readers whose manufacturer bytes 2-3 are 00 00
    // The engine's stored key, read when a write arrives, for readers
    // without a key of their own.
    std::function<std::string()> engineKey;
  };
  using LineSink = std::function<void(const std::string&)>;

  // verdicts: one line per checked write; writes (optional): one line per
  // written value, before its verdict.
  SimulatedReaders(EngineValues engine, LineSink verdicts, LineSink writes = nullptr);

  // Adds the scenario's "readers" to CBRadio::shared() and schedules their
  // adverts on the main run loop, relative to now. A malformed reader is
  // refused with the reason; readers before it stay added. A top-level
  // "verdictFile" gets every verdict appended as one JSON line; a reader's
  // "access" list of decimal tags refuses every other tag.
  platform::Status load(const nlohmann::json& scenario);
  // Reads a scenario file: a JSON object.
  static platform::Result<nlohmann::json> readFile(const std::string& path);

  const std::vector<std::shared_ptr<ReaderEmulator>>& emulators() const { return emulators_; }

 private:
  platform::Status loadReader(const nlohmann::json& reader);

  EngineValues engine_;
  LineSink verdicts_;
  LineSink writes_;
  std::shared_ptr<std::ofstream> verdictFile_;
  std::vector<std::shared_ptr<ReaderEmulator>> emulators_;
};

}  // namespace corebluetooth
