#include "tools/demo/DemoCheck.h"

#include <openssl/evp.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "tools/demo/EnvFile.h"

namespace demo {

using nlohmann::json;

namespace {

const std::vector<std::string> kWalkEndpoints = {
    "VerifySecurityCode", "GetImage",        "AuthenticateUser", "initApi",          "UserDashboard", "BaseVisitor",
    "Logout",             "AllotedFacility", "ComplainCount",    "ComplainCategory", "ComplainSave"};
const std::vector<std::string> kWalkScreens = {"InviteVC",        "LandingVC",         "LoginVC",
                                               "UserDashboardVC", "TenantDashboardVC", "AddNewComplaintVC"};

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

int bigEndian(const std::string& bytes, std::size_t at, int width) {
  int value = 0;
  for (int i = 0; i < width; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::string text(const json& value) {
  return value.is_string() ? value.get<std::string>() : value.is_null() ? std::string("-") : value.dump();
}

}  // namespace

DemoCheck::DemoCheck(std::string runFolder) : folder_(std::move(runFolder)) {
  requests_ = readLines(folder_ + "/requests.jsonl");
  verdicts_ = readLines(folder_ + "/verdicts.jsonl");
  collector_ = readLines(folder_ + "/collector.jsonl");
  ready_ = EnvFile::read(folder_ + "/ready.env").value_or(std::map<std::string, std::string>{});
  run_ = EnvFile::read(folder_ + "/run.env").value_or(std::map<std::string, std::string>{});
}

std::vector<json> DemoCheck::readLines(const std::string& path) {
  std::vector<json> out;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    json value = json::parse(line, nullptr, false);
    // A torn or foreign line is kept as such, so the walk check sees it.
    out.push_back(value.is_discarded() ? json{{"unreadable", line}} : value);
  }
  return out;
}

std::optional<std::string> DemoCheck::base64Decode(const std::string& encoded) {
  std::string clean;
  for (char c : encoded) {
    if (c != '\n' && c != '\r' && c != ' ') clean += c;
  }
  if (clean.size() % 4 != 0) return std::nullopt;
  std::string out(clean.size() / 4 * 3, '\0');
  const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                reinterpret_cast<const unsigned char*>(clean.data()), static_cast<int>(clean.size()));
  if (n < 0) return std::nullopt;
  std::size_t padding = 0;
  if (!clean.empty() && clean.back() == '=') padding = clean.size() > 1 && clean[clean.size() - 2] == '=' ? 2 : 1;
  out.resize(static_cast<std::size_t>(n) - padding);
  return out;
}

std::optional<std::pair<int, int>> DemoCheck::pixelSize(const std::string& bytes) {
  static const std::string kPng = "\x89PNG\r\n\x1a\n";
  if (bytes.size() >= 24 && bytes.compare(0, 8, kPng) == 0 && bytes.compare(12, 4, "IHDR") == 0)
    return std::make_pair(bigEndian(bytes, 16, 4), bigEndian(bytes, 20, 4));
  if (bytes.size() < 4 || static_cast<unsigned char>(bytes[0]) != 0xFF || static_cast<unsigned char>(bytes[1]) != 0xD8)
    return std::nullopt;
  // JPEG: walk the segments up to a start-of-frame marker.
  std::size_t at = 2;
  while (at + 9 < bytes.size()) {
    if (static_cast<unsigned char>(bytes[at]) != 0xFF) return std::nullopt;
    const int marker = static_cast<unsigned char>(bytes[at + 1]);
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    const int length = bigEndian(bytes, at + 2, 2);
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
      return std::make_pair(bigEndian(bytes, at + 7, 2), bigEndian(bytes, at + 5, 2));
    at += 2 + static_cast<std::size_t>(length);
  }
  return std::nullopt;
}

std::string DemoCheck::summary() const {
  std::ostringstream out;
  std::map<std::string, int> perEndpoint;
  int mismatches = 0;
  for (const auto& r : requests_) {
    ++perEndpoint[r.contains("endpoint") && r["endpoint"].is_string() ? r["endpoint"].get<std::string>()
                                                                        : std::string("(no endpoint)")];
    mismatches += r.contains("mismatch") && !r["mismatch"].is_null() ? 1 : 0;
  }
  out << "run folder: " << folder_ << "\n";
  out << "web requests: " << requests_.size() << " (" << mismatches << " unexpected)\n";
  for (const auto& [name, count] : perEndpoint) out << "  " << name << ": " << count << "\n";
  int accepted = 0;
  for (const auto& v : verdicts_) accepted += v.value("accepted", false) ? 1 : 0;
  out << "verdicts: " << verdicts_.size() << " (" << accepted << " accepted, " << verdicts_.size() - accepted
      << " refused)\n";
  for (const auto& v : verdicts_) {
    out << "  " << text(v.value("reader", json())) << (v.value("accepted", false) ? " accepted" : " refused")
        << " tag " << text(v.value("tag", json()));
    if (v.contains("floors") && v["floors"].is_array()) {
      out << " floors";
      for (std::size_t i = 0; i < v["floors"].size(); ++i) out << (i ? "/" : " ") << v["floors"][i].dump();
    }
    if (!v.value("reason", std::string()).empty()) out << " (" << v["reason"].get<std::string>() << ")";
    out << "\n";
  }
  int batches = 0, decoded = 0, unexpected = 0;
  std::map<std::string, int> events;
  std::set<std::string> screens;
  for (const auto& c : collector_) {
    if (c.value("route", "") == "upload") {
      ++batches;
      decoded += c.value("decoded", false) ? 1 : 0;
    }
    unexpected += c.value("expected", false) ? 0 : 1;
    for (const auto& e : c.value("events", json::array())) ++events[text(e)];
    for (const auto& s : c.value("screens", json::array())) screens.insert(text(s));
  }
  out << "collector requests: " << collector_.size() << " (" << unexpected << " unexpected), batches: " << batches
      << " (" << decoded << " decoded)\n";
  out << "events:";
  for (const auto& [name, count] : events) out << " " << name << "=" << count;
  out << "\nscreens:";
  for (const auto& s : screens) out << " " << s;
  out << "\n";
  return out.str();
}

std::vector<std::string> DemoCheck::walkProblems() const {
  std::vector<std::string> problems;
  auto ready = [&](const char* name) {
    auto it = ready_.find(name);
    return it == ready_.end() ? std::string() : it->second;
  };
  if (ready_.empty()) problems.push_back("no ready.env in the run folder");

  // Doors: one accepted punch at the main entrance, nothing refused.
  int accepted = 0;
  for (const auto& v : verdicts_) {
    if (!v.value("accepted", false)) {
      problems.push_back("a reader refused a punch: " + v.dump());
      continue;
    }
    ++accepted;
    if (v.value("reader", "") != "Main Entrance") problems.push_back("punch accepted by " + text(v.value("reader", json())));
    if (text(v.value("tag", json())) != ready("DEMO_USER_TAG"))
      problems.push_back("punch with tag " + text(v.value("tag", json())) + ", expected " + ready("DEMO_USER_TAG"));
    if (v.value("floors", json()) != json::array({0, 0, 0}))
      problems.push_back("punch with floors " + v.value("floors", json()).dump() + ", expected [0,0,0]");
  }
  if (accepted != 1) problems.push_back("accepted punches: " + std::to_string(accepted) + ", expected 1");

  // The web service: every request of the walk, none unexpected.
  std::set<std::string> seen;
  const json* saved = nullptr;
  for (const auto& r : requests_) {
    if (r.contains("mismatch") && !r["mismatch"].is_null())
      problems.push_back("unexpected web request " + text(r.value("path", json())) + ": " + text(r["mismatch"]));
    if (r.contains("endpoint") && r["endpoint"].is_string()) seen.insert(r["endpoint"].get<std::string>());
    if (r.value("endpoint", json()) == "ComplainSave" && r.value("status", 0) == 200) saved = &r;
  }
  for (const auto& name : kWalkEndpoints) {
    if (!seen.count(name)) problems.push_back("the service never saw " + name);
  }

  // The complaint's photos: two PNGs of the sizes of the photos offered.
  std::multiset<std::pair<int, int>> offered;
  const auto photos = run_.count("DEMO_PHOTOS") ? run_.at("DEMO_PHOTOS") : std::string();
  std::error_code ec;
  for (std::filesystem::directory_iterator it(photos, ec), end; !photos.empty() && !ec && it != end; it.increment(ec)) {
    if (auto size = pixelSize(readFile(it->path().string()))) offered.insert(*size);
  }
  if (offered.empty()) problems.push_back("no photos found in DEMO_PHOTOS (run.env): '" + photos + "'");
  if (!saved) {
    problems.push_back("no complaint was saved");
  } else {
    const json body = saved->value("body", json());
    const json images = body.is_object() && body.contains("StrImgupload") && body["StrImgupload"].is_string()
                            ? json::parse(body["StrImgupload"].get<std::string>(), nullptr, false)
                            : json();
    if (!images.is_array() || images.size() != 2) {
      problems.push_back("the saved complaint's StrImgupload is not a JSON list of two texts");
    } else {
      for (const auto& image : images) {
        const auto bytes = image.is_string() ? base64Decode(image.get<std::string>()) : std::nullopt;
        const auto size = bytes && bytes->compare(0, 4, "\x89PNG") == 0 ? pixelSize(*bytes) : std::nullopt;
        if (!size) {
          problems.push_back("a saved complaint photo is not a Base64 PNG");
        } else if (!offered.count(*size) && !offered.count({size->second, size->first})) {
          problems.push_back("a saved complaint photo of " + std::to_string(size->first) + "x" +
                             std::to_string(size->second) + " matches no photo offered");
        }
      }
    }
  }

  // The collector: every batch read, the program's app ID, the walk's events.
  std::set<std::string> events, screens;
  int batches = 0;
  for (const auto& c : collector_) {
    if (!c.value("expected", false)) problems.push_back("unexpected collector request: " + c.dump().substr(0, 300));
    if (c.value("route", "") != "upload") continue;
    ++batches;
    if (!c.value("decoded", false)) problems.push_back("a batch did not decode: " + text(c.value("error", json())));
    if (c.value("appId", json()) != ready("DEMO_APP_ID"))
      problems.push_back("a batch for app ID " + text(c.value("appId", json())));
    for (const auto& e : c.value("events", json::array())) events.insert(text(e));
    for (const auto& s : c.value("screens", json::array())) screens.insert(text(s));
  }
  if (batches == 0) problems.push_back("the collector got no batch");
  for (const char* name : {"_f", "_s"}) {
    if (!events.count(name)) problems.push_back(std::string("no ") + name + " event reached the collector");
  }
  for (const auto& screen : kWalkScreens) {
    if (!screens.count(screen)) problems.push_back("no screen view of " + screen + " reached the collector");
  }

  // The program's transfers: every one to 127.0.0.1.
  const auto logPath = run_.count("DEMO_LOG") ? run_.at("DEMO_LOG") : std::string();
  std::ifstream log(logPath);
  if (!log) {
    problems.push_back("cannot read DEMO_LOG (run.env): '" + logPath + "'");
  } else {
    int transfers = 0;
    std::string line;
    const std::string marker = "transfer: ";
    while (std::getline(log, line)) {
      const auto at = line.find(marker);
      if (at == std::string::npos) continue;
      ++transfers;
      const std::string url = line.substr(at + marker.size());
      const auto scheme = url.find("://");
      const auto hostStart = scheme == std::string::npos ? std::string::npos : scheme + 3;
      const std::string host =
          hostStart == std::string::npos ? std::string() : url.substr(hostStart, url.find_first_of(":/ ", hostStart) - hostStart);
      if (host != "127.0.0.1") problems.push_back("a transfer off loopback: " + line);
    }
    if (transfers == 0) problems.push_back("no transfer line in the program's log");
  }
  return problems;
}

}  // namespace demo
