// The utilities library's HTTP client, on the shared transfer engine (requests
// run side by side); its completion runs exactly once on the given queue (on
// the engine thread when none is given) with the
// response (or none), the body as received and an error (or none), also
// when the request could not be started at all. Destruction waits for the
// requests still running.
//
// Server certificates are verified; the deployment's certificate file is
// trusted besides the system's roots for the hosts the deployment names. A
// reply body over 64 MiB ends the request with an error, and a host under
// ".invalid" (the shipped service hosts) fails at once without a lookup. A
// POST whose caller names no Content-Type goes as application/octet-stream.
// Reachability comes from a NetworkReachabilityManager (given, else made by
// NetworkReachabilityManager::create(), whose factory tests may set); on
// Linux it watches the interfaces, not the host. The delegate hears every
// change of status.
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
class NetworkReachabilityManager;

inline constexpr int kTVUNetworkHTTPStatusOK = 200;
inline constexpr int kTVUNetworkHTTPStatusNoContent = 204;
inline constexpr int kTVUNetworkHTTPStatusCodeNotModified = 304;
inline constexpr int kTVUNetworkHTTPStatusCodeNotFound = 404;
inline constexpr int kTVUNetworkHTTPStatusCodeCannotAcceptTraffic = 429;
inline constexpr int kTVUNetworkHTTPStatusCodeUnavailable = 503;

inline constexpr std::uint64_t kTVUNetworkMaxResponseBodyBytes = 64ull * 1024 * 1024;

// Logger-delegate message codes (levels: 3 error, 6 info, 7 debug).
inline constexpr int kTVUNetworkMessageCodeRequestStarted = 901001;    // debug mode only
inline constexpr int kTVUNetworkMessageCodeRequestCompleted = 901002;  // debug mode only
inline constexpr int kTVUNetworkMessageCodeRequestFailed = 901003;
inline constexpr int kTVUNetworkMessageCodeInvalidURL = 901004;
inline constexpr int kTVUNetworkMessageCodeReachabilityChanged = 901005;

struct TVUHTTPResponse {
  long statusCode = 0;
  std::string url;
  // Header names in lower case.
  std::map<std::string, std::string> headers;
  // The reply's Content-Length, -1 when it gave none.
  std::int64_t expectedContentLength = -1;
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

  explicit TVUNetwork(std::string reachabilityHost,
                      std::shared_ptr<NetworkReachabilityManager> reachability = nullptr);
  ~TVUNetwork();
  TVUNetwork(const TVUNetwork&) = delete;
  TVUNetwork& operator=(const TVUNetwork&) = delete;

  void setLoggerDelegate(std::weak_ptr<TVUNetworkLoggerDelegate> delegate);
  void setIsDebugModeEnabled(bool enabled);
  void setReachabilityDelegate(std::weak_ptr<TVUNetworkReachabilityDelegate> delegate);
  void setTimeoutInterval(double seconds);
  // Connected unless the reachability manager reports the network not
  // reachable (also before its first report, and without a manager).
  bool isNetworkConnected() const;
  bool hasUploadInProgress() const;
  // Linux has no background sessions: the flag of the latest request is kept
  // so callers can see what they asked for.
  bool lastRequestUsedBackgroundSession() const;

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
                    const Bytes& payload, std::shared_ptr<DispatchQueue> queue, bool usingBackgroundSession,
                    Completion completion);

  std::shared_ptr<State> state_;
};

}  // namespace platform
