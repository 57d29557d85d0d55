// A small URL session over the process's transfer engine: one data task per
// request, its completion called exactly once on the session's own queue.
// Hosts under ".invalid" fail at once, without a lookup.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/Status.h"

namespace platform {

struct URLRequest {
  std::string url;  // http or https
  std::string method = "GET";
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  double timeoutSeconds = 60.0;
  // PEM file trusted besides the system's roots, only for these hosts
  // ("host" or "host:port").
  std::string extraTrustedCertificatesFile;
  std::vector<std::string> trustedHosts;
};

struct URLResponse {
  long statusCode = 0;
  std::map<std::string, std::string> headers;  // names in lower case
};

class URLSession {
 public:
  // response is none when no HTTP reply came; error is then set.
  using Completion =
      std::function<void(std::optional<URLResponse> response, std::string body, std::optional<Status> error)>;
  // Replies larger than this end the task with an error.
  static constexpr std::uint64_t kMaxResponseBodyBytes = 1 << 20;

  // The process's session, with a queue of its own.
  static const std::shared_ptr<URLSession>& shared();
  explicit URLSession(DispatchQueuePtr delegateQueue);

  const DispatchQueuePtr& delegateQueue() const { return delegateQueue_; }
  void dataTaskWithRequest(URLRequest request, Completion completion);

 private:
  DispatchQueuePtr delegateQueue_;
};

}  // namespace platform
