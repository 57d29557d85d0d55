// The facility web service of the demo, computed from the fixture: accounts,
// tokens, passwords and stored complaints. Every request is checked against
// the endpoint it names (method, required keys, no unknown key); a mismatch
// is answered false in the endpoint's own envelope and logged. Each request
// gives one log entry (see logEntry). Thread-safe: the server's workers call
// handle() side by side.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/FacilityTestServer.h"

namespace demo {

class DemoService {
 public:
  using Reply = testsupport::FacilityTestServer::Reply;
  using Request = testsupport::FacilityTestServer::RecordedRequest;
  using Clock = std::chrono::steady_clock;

  struct Endpoint {
    std::string name;    // the endpoint's catalogue name; "initApi" for the key request
    std::string method;
    std::string path;    // as requested, without the query
    std::vector<std::string> required;
    std::vector<std::string> optional;  // sent only when non-empty
    bool open = false;                  // answered without a bearer token
  };

  static constexpr int kPageSize = 10;
  static constexpr const char* kMismatchPrefix = "Demo service: unexpected request: ";
  static constexpr const char* kKeyRequestPath = "/api/Facility/Init";

  // log: one entry per request, called from the worker that answered it.
  DemoService(nlohmann::json fixture, std::function<void(const nlohmann::json&)> log);

  // Each account's invitation code (made by the caller with this run's URL).
  void setInvitationCode(long long empId, const std::string& code);
  Reply handle(const Request& request);

  static const std::vector<Endpoint>& endpoints();
  static const Endpoint* endpointFor(const std::string& path);
  // The request's problem against its endpoint, or none.
  static std::optional<std::string> problem(const Endpoint& endpoint, const Request& request);
  // Parameters of a form body or query, "[]" suffixes folded into arrays.
  static nlohmann::json parameters(const std::string& encoded);
  // Entries of page pageNo (from 1) of the list, kPageSize a page.
  static nlohmann::json page(const nlohmann::json& list, long long pageNo);

  std::vector<nlohmann::json> savedComplaints() const;

 private:
  struct Session {
    std::size_t account;
    Clock::time_point expires;
  };
  Reply answer(const Endpoint& endpoint, const Request& request, const nlohmann::json& body, int* status);
  std::optional<std::size_t> bearerAccount(const Request& request);
  std::optional<std::size_t> accountByEmail(const std::string& email) const;
  nlohmann::json issueTokens(std::size_t account);
  nlohmann::json reply(const std::string& name) const;

  nlohmann::json fixture_;
  std::function<void(const nlohmann::json&)> log_;
  mutable std::mutex mu_;
  std::map<std::string, std::size_t> codes_;  // code -> account index
  std::map<std::size_t, std::string> passwords_;
  std::map<std::string, Session> accessTokens_;
  std::map<std::string, std::size_t> refreshTokens_;
  std::vector<nlohmann::json> complaints_;
  std::uint64_t issued_ = 0;
};

}  // namespace demo
