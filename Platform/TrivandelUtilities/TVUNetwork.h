// The utilities library's HTTP client, on the shared transfer engine (requests
// run side by side); its completion runs exactly once on the given queue (on
// the engine thread when none is given) with the
// response (or none), the body as received and an error (or none), also
// when the request could not be started at all. Destruction waits for the
// requests still running.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Status.h"
#include "Platform/Foundation/Value.h"

namespace platform {

class DispatchQueue;

inline constexpr int kTVUNetworkHTTPStatusOK = 200;
inline constexpr int kTVUNetworkHTTPStatusNoContent = 204;
inline constexpr int kTVUNetworkHTTPStatusCodeNotModified = 304;
inline constexpr int kTVUNetworkHTTPStatusCodeNotFound = 404;
inline constexpr int kTVUNetworkHTTPStatusCodeCannotAcceptTraffic = 429;
inline constexpr int kTVUNetworkHTTPStatusCodeUnavailable = 503;

struct TVUHTTPResponse {
  long statusCode = 0;
  std::string url;
  // Header names in lower case.
  std::map<std::string, std::string> headers;
};

class TVUNetworkReachabilityDelegate {
 public:
  virtual ~TVUNetworkReachabilityDelegate() = default;
  virtual void reachabilityDidChange() = 0;
};

class TVUNetworkLoggerDelegate {
 public:
  virtual ~TVUNetworkLoggerDelegate() = default;
  virtual void TVUNetwork_logWithLevel(int level, int messageCode, const std::string& message,
                                       const std::vector<std::string>& contexts) = 0;
};

class TVUNetwork {
 public:
  using Headers = std::map<std::string, std::string>;
  using Completion =
      std::function<void(std::optional<TVUHTTPResponse> response, Bytes body, std::optional<Status> error)>;

  explicit TVUNetwork(std::string reachabilityHost);
  ~TVUNetwork();
  TVUNetwork(const TVUNetwork&) = delete;
  TVUNetwork& operator=(const TVUNetwork&) = delete;

  void setLoggerDelegate(std::weak_ptr<TVUNetworkLoggerDelegate> delegate);
  void setIsDebugModeEnabled(bool enabled);
  void setReachabilityDelegate(std::weak_ptr<TVUNetworkReachabilityDelegate> delegate);
  void setTimeoutInterval(double seconds);
  // No reachability monitoring here: the network counts as connected.
  bool isNetworkConnected() const;
  bool hasUploadInProgress() const;

  // Session identifier; "" when nothing started (the completion still runs, with an error).
  std::string postURL(const std::string& url, const Headers& headers, const Bytes& payload,
                      std::shared_ptr<DispatchQueue> queue, bool usingBackgroundSession, Completion completion);
  std::string postURL(const std::string& url, const Bytes& payload, std::shared_ptr<DispatchQueue> queue,
                      bool usingBackgroundSession, Completion completion);
  std::string getURL(const std::string& url, const Headers& headers, std::shared_ptr<DispatchQueue> queue,
                     bool usingBackgroundSession, Completion completion);

  // Background sessions finish with their requests here; the handler runs at once.
  static void handleEventsForBackgroundURLSessionID(const std::string& identifier,
                                                    const std::function<void()>& completionHandler);

  struct State;

 private:
  std::string start(const std::string& method, const std::string& url, const Headers& headers,
                    const Bytes& payload, std::shared_ptr<DispatchQueue> queue, Completion completion);

  std::shared_ptr<State> state_;
};

}  // namespace platform
