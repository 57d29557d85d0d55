// The engine's small web client: one POST at a time on its own queue, JSON in
// and out. Completions run on that queue, not on the main loop; callers hop
// to the main loop themselves.
#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Facility/HUNetworkError.h"
#include "Facility/HURequest.h"
#include "Facility/Models/WireRecord.h"
#include "Platform/Foundation/DispatchQueue.h"

// Success with the decoded reply (absent for an empty body), or a failure.
template <class T>
struct HUResult {
  std::optional<T> record;
  std::optional<HUNetworkError> failure;
  bool isSuccess() const { return !failure.has_value(); }
};

class HttpUtility {
 public:
  static HttpUtility& shared();

  static constexpr double kTimeoutSeconds = 60.0;

  // Sent as "authorization" when present.
  void setAuthenticationToken(std::optional<std::string> token);
  std::optional<std::string> authenticationToken() const;

  // What came back from the transfer itself.
  struct RawResponse {
    long httpStatus = 0;
    std::string body;
    std::optional<std::string> transportError;
  };

  // Runs the request; completion is called exactly once, on the transfer
  // queue. Only POST is supported: any other method completes with an
  // "unsupported method" failure without sending anything.
  void send(const HURequest& request, std::function<void(HUResult<RawResponse>)> completion);

  // POST with a JSON reply decoded as Reply. A non-2xx reply is a failure
  // carrying the status and body; an undecodable body is a failure too.
  template <wire::WireRecord Reply>
  void post(const HURequest& request, std::function<void(HUResult<wire::Decoded<Reply>>)> completion) {
    send(request, [completion = std::move(completion)](HUResult<RawResponse> raw) {
      HUResult<wire::Decoded<Reply>> out;
      if (!raw.isSuccess()) {
        out.failure = std::move(raw.failure);
      } else if (!raw.record->body.empty()) {
        auto decoded = wire::decode<Reply>(raw.record->body);
        if (decoded.ok()) {
          out.record = std::move(decoded).value();
        } else {
          out.failure = HUNetworkError{.reason = "The data couldn't be read: " + decoded.status().message(),
                                       .httpStatusCode = raw.record->httpStatus,
                                       .requestUrl = std::nullopt,
                                       .requestBody = std::nullopt,
                                       .serverResponse = raw.record->body};
        }
      }
      completion(std::move(out));
    });
  }

 private:
  HttpUtility();
  mutable std::mutex mu_;
  std::optional<std::string> authenticationToken_;
  std::shared_ptr<platform::DispatchQueue> queue_;
};
