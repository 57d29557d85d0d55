// Helpers for the onboarding, floor, sensitivity and vehicle-owner screen
// tests: request bodies of the test double as text maps, and the screen a
// storyboard gives for a class.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <thread>
#include <memory>
#include <string>

#include "Facility/Screens/StoryboardName.h"
#include "Platform/Foundation/Value.h"
#include "tests/Facility/Screens/ScreensFixture.h"

namespace screens_test {

class AccessScreensFixture : public ScreensFixture {
 protected:
  // The vehicle number lookup the scanner screens send.
  static constexpr const char* kLookupPath = "/api/FindVehicle/FindVehicleNumber";

  // JSON or form body; non-text JSON values are left out.
  static std::map<std::string, std::string> bodyOf(const Server::RecordedRequest& request) {
    std::map<std::string, std::string> out;
    if (!request.body.empty() && request.body.front() == '{') {
      auto parsed = platform::Value::parseJson(request.body);
      if (!parsed.ok()) return out;
      if (const auto* dict = parsed.value().getDictionary()) {
        for (const auto& [key, value] : *dict) {
          if (const auto* text = value.getString()) out[key] = *text;
        }
      }
      return out;
    }
    for (const auto& [key, value] : request.form()) out[key] = value;
    return out;
  }

  std::vector<Server::RecordedRequest> requestsTo(const std::string& path) const {
    std::vector<Server::RecordedRequest> out;
    for (const auto& r : server_.requests()) {
      if (r.path == path) out.push_back(r);
    }
    return out;
  }

  // Lets both time and real I/O move until the condition holds (for flows
  // that mix replies with timed steps); false after about 10 s of wall time.
  bool settleUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 1000; ++i) {
      if (done()) return true;
      if (!clock_->runFor(0.05)) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
  }

  template <typename T>
  static std::shared_ptr<T> make(StoryboardName storyboard, const std::string& name) {
    return std::dynamic_pointer_cast<T>(Storyboards::instantiateScreen(storyboard, name));
  }
};

}  // namespace screens_test
