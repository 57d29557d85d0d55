// The readers' access list and verdict file: frames made here as the engine
// would write them, handed to the reader's write hook.
#include "Platform/CoreBluetooth/Simulation/SimulatedReaders.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include "Platform/CommonCrypto/AES.h"
#include "Platform/CommonCrypto/Base64.h"
#include "Platform/CommonCrypto/Hex.h"
#include "Platform/CoreBluetooth/CBRadio.h"

namespace corebluetooth {
namespace {

using nlohmann::json;

const std::string kKey = "3f9a1c07b2d84e65a0c1f2e3d4b5a697";

// A punch frame for the reader whose IV bytes are iv0, iv1.
platform::Bytes frame(std::uint32_t tag, std::uint8_t destination, std::uint8_t boarding, std::uint8_t selected,
                      std::uint8_t iv0, std::uint8_t iv1, bool framed) {
  platform::Bytes f = {0xAA, 0x13, 0x00, 0x01, 0x01, 0x01, 0xB0, 0x01, 0x07, 0x00};
  for (int i = 0; i < 4; ++i) f.push_back(static_cast<std::uint8_t>(tag >> (8 * i)));
  f.insert(f.end(), {destination, boarding, selected});
  std::uint8_t lrc = 0;
  for (auto b : f) lrc ^= b;
  f.push_back(lrc);
  f.push_back(0xBB);
  f.resize(32, 0);
  const std::uint8_t iv[16] = {iv0, iv1};
  auto cipher = platform::AES::encryptCBC(*platform::Hex::decode(kKey), iv, f, platform::AES::Padding::kNone);
  std::string text = platform::Base64::encode(*cipher);
  if (framed) text = "\r\n" + text + "\r\n";
  return platform::Bytes(text.begin(), text.end());
}

class SimulatedReadersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CBRadio::shared().reset();
    folder = std::filesystem::temp_directory_path() / ("readers-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    verdictFile = (folder / "verdicts.jsonl").string();
  }
  void TearDown() override {
    CBRadio::shared().reset();
    std::filesystem::remove_all(folder);
  }
  static SimulatedReaders::EngineValues engine() {
    SimulatedReaders::EngineValues values;
    values.advertisedService = "S";
    values.framedReader = {"F", {"FW"}};
    values.otherReader = {"O", {"OW"}};
    values.builtInKey = "00112233445566778899aabbccddeeff";
    return values;
  }
  json reader(const std::string& id, const std::string& name, const std::string& data) {
    return json{{"id", id}, {"localName", name}, {"manufacturerData", data}, {"key", kKey}};
  }
  void write(const std::string& id, const platform::Bytes& value) {
    CBRemoteScript* script = CBRadio::shared().script(id);
    ASSERT_NE(script, nullptr);
    script->onWrite("W", value);
  }
  std::vector<json> verdictLines() const {
    std::vector<json> out;
    std::ifstream in(verdictFile);
    for (std::string line; std::getline(in, line);) out.push_back(json::parse(line));
    return out;
  }
  std::filesystem::path folder;
  std::string verdictFile;
};

// An access list lets in only its tags; a reader without one takes any tag;
// each verdict is one JSON line naming the reader, tag and floors.
TEST_F(SimulatedReadersTest, AccessListRefusesUnknownTagsAndEveryVerdictIsAJsonLine) {
  json door = reader("DOOR", "Main Entrance", "4c00 5a3c 0007 10");
  door["access"] = {"4321", "5502"};
  const json scenario{{"verdictFile", verdictFile},
                      {"readers", {door, reader("LIFT", "", "4c00 6b4d 0003 10")}}};
  std::vector<std::string> plain;
  SimulatedReaders readers(engine(), [&](const std::string& line) { plain.push_back(line); });
  ASSERT_TRUE(readers.load(scenario).ok());

  write("DOOR", frame(4321, 0, 0, 0, 0x5a, 0x3c, true));
  write("DOOR", frame(9999, 0, 0, 0, 0x5a, 0x3c, true));
  write("DOOR", frame(4321, 0, 0, 0, 0x00, 0x00, true));  // wrong IV: decrypts to garbage
  write("LIFT", frame(9999, 5, 1, 5, 0x6b, 0x4d, false));

  const auto lines = verdictLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], (json{{"reader", "Main Entrance"}, {"id", "DOOR"}, {"accepted", true}, {"reason", ""},
                            {"framed", true}, {"tag", "4321"}, {"floors", {0, 0, 0}}}));
  EXPECT_EQ(lines[1]["accepted"], false);
  EXPECT_EQ(lines[1]["reason"], "tag not on the access list");
  EXPECT_EQ(lines[1]["tag"], "9999");
  EXPECT_EQ(lines[2]["accepted"], false);
  EXPECT_TRUE(lines[2]["tag"].is_null() && lines[2]["floors"].is_null()) << lines[2];
  EXPECT_EQ(lines[3], (json{{"reader", "LIFT"}, {"id", "LIFT"}, {"accepted", true}, {"reason", ""},
                            {"framed", false}, {"tag", "9999"}, {"floors", {5, 1, 5}}}));
  // The text lines keep their form.
  ASSERT_EQ(plain.size(), 4u);
  EXPECT_EQ(plain[1], "reader DOOR refused: tag not on the access list");
}

TEST_F(SimulatedReadersTest, MalformedAccessListOrVerdictFileIsRefused) {
  struct Case {
    json scenario;
    std::string message;
  };
  json badEntry = reader("R", "", "4c00 0102 0007 10");
  badEntry["access"] = {"12a"};
  json notList = reader("R", "", "4c00 0102 0007 10");
  notList["access"] = "4321";
  json tooBig = reader("R", "", "4c00 0102 0007 10");
  tooBig["access"] = {"99999999999"};
  const std::vector<Case> cases = {
      {json{{"readers", {badEntry}}}, "R: access entries must be decimal tags as text"},
      {json{{"readers", {notList}}}, "R: access must be a list of tags"},
      {json{{"readers", {tooBig}}}, "R: access entries must be decimal tags as text"},
      {json{{"verdictFile", 7}, {"readers", json::array()}}, "verdictFile must be text"},
      {json{{"verdictFile", (folder / "missing" / "v.jsonl").string()}, {"readers", json::array()}},
       "cannot open verdictFile " + (folder / "missing" / "v.jsonl").string()},
  };
  for (const auto& c : cases) {
    CBRadio::shared().reset();
    SimulatedReaders readers(engine(), nullptr);
    const platform::Status status = readers.load(c.scenario);
    EXPECT_FALSE(status.ok()) << c.scenario;
    EXPECT_EQ(status.message(), c.message) << c.scenario;
  }
}

}  // namespace
}  // namespace corebluetooth
