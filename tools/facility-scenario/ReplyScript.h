// Loads a scenario's replies.json into the test double:
//
//   [{"method": "POST" (absent: any method), "path": "/api/…",
//     "status": 200 (default), "body": text, or JSON sent as its text}, …]
//
// Entries for the same method and path form that path's list, answered in
// order with the last one repeating.
#pragma once

#include <nlohmann/json.hpp>

#include "Platform/Foundation/Status.h"
#include "tests/support/FacilityTestServer.h"

class ReplyScript {
 public:
  static platform::Status load(const nlohmann::json& replies, testsupport::FacilityTestServer& server);
};
