// The engine's small web client: JSON POSTs run side by side on the shared
// transfer engine. Completions run on the utility's own transfer queue, in
// arrival order, not on the main loop; callers hop to the
// main loop themselves. Shares nothing with APIManager (no reachability
// check, no token refresh, no alerts).
#pragma once
#include <concepts>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "Facility/Network/HUJsonDecoder.h"
#include "Facility/Network/HUNetworkError.h"
#include "Facility/Network/HURequest.h"
#include "Facility/Models/WireRecord.h"
#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/Status.h"

// Exactly one of: the decoded reply, or why there is none.
template <class T>
struct HUResult {
  std::optional<T> record;
  std::optional<HUNetworkError> failure;
  bool isSuccess() const { return !failure.has_value(); }
};

// How a reply type is decoded. Wire records use their own decoder (they hold
// no dates); any other type provides
//   static platform::Result<T> decode(std::string_view json, const HUJsonDecoder&).
template <class T>
struct HUReply {
  using Record = T;
  static platform::Result<T> decode(std::string_view json, const HUJsonDecoder& decoder) {
    return T::decode(json, decoder);
  }
};
template <class T>
  requires wire::WireRecord<T>
struct HUReply<T> {
  using Record = wire::Decoded<T>;
  static platform::Result<Record> decode(std::string_view json, const HUJsonDecoder&) { return wire::decode<T>(json); }
};

class HttpUtility {
 public:
  static HttpUtility& shared();

  static constexpr double kTimeoutSeconds = 60.0;

  // Sent unchanged as "authorization" when present; read when a request is built.
  void setAuthenticationToken(std::optional<std::string> token);
  std::optional<std::string> authenticationToken() const;
  // Used for every reply when set; otherwise each reply gets an ISO-8601 decoder.
  void setCustomJsonDecoder(std::optional<HUJsonDecoder> decoder);
  std::optional<HUJsonDecoder> customJsonDecoder() const;
  // Tests shorten the transfer's time limit.
  void setTimeoutInterval(double seconds);
  double timeoutInterval() const;

  // What came back from the transfer itself.
  struct RawResponse {
    std::optional<long> httpStatus;  // absent when no HTTP response came
    std::string body;
    std::optional<std::string> transportError;
  };

  // Sends one POST built from the request and calls completion exactly once,
  // on the transfer queue, with whatever came back.
  void runDataTask(const HURequest& request, std::function<void(RawResponse)> completion);

  // POST with a JSON reply decoded as Reply; completion runs exactly once on
  // the transfer queue. Failures: a method other than POST ("unsupported
  // method", nothing sent), a transport error (reason set), an empty body, a
  // non-2xx status, or a body that does not decode (reason absent; status and
  // body kept).
  template <class Reply>
  void request(const HURequest& request,
               std::function<void(HUResult<typename HUReply<Reply>::Record>)> completion) {
    using Result = HUResult<typename HUReply<Reply>::Record>;
    if (request.method != HUHttpMethods::POST) {
      auto failure = HUNetworkError::make(std::nullopt, request.url, request.requestBody,
                                          std::string("unsupported method ") + HUHttpMethodName(request.method),
                                          std::nullopt);
      queue_->async([completion = std::move(completion), failure] { completion(Result{std::nullopt, failure}); });
      return;
    }
    runDataTask(request, [this, completion = std::move(completion), url = request.url,
                          sent = request.requestBody](RawResponse raw) {
      auto fail = [&](std::optional<std::string> reason) {
        std::optional<std::string> body;
        if (!raw.transportError || !raw.body.empty()) body = raw.body;
        completion(Result{std::nullopt, HUNetworkError::make(body, url, sent, std::move(reason), raw.httpStatus)});
      };
      if (raw.transportError) return fail(raw.transportError);
      if (raw.body.empty()) return fail(std::nullopt);
      logReply(raw.body);
      if (!raw.httpStatus || *raw.httpStatus < 200 || *raw.httpStatus > 299) return fail(std::nullopt);
      auto decoded = HUReply<Reply>::decode(raw.body, customJsonDecoder().value_or(HUJsonDecoder::iso8601()));
      if (!decoded.ok()) {
        logDecodingError(decoded.status().message());
        return fail(std::nullopt);
      }
      completion(Result{std::move(decoded).value(), std::nullopt});
    });
  }

 private:
  HttpUtility();
  static void logReply(const std::string& body);
  static void logDecodingError(const std::string& message);

  mutable std::mutex mu_;
  std::optional<std::string> authenticationToken_;
  std::optional<HUJsonDecoder> customJsonDecoder_;
  double timeoutInterval_ = kTimeoutSeconds;
  std::shared_ptr<platform::DispatchQueue> queue_;
};
