#include "Platform/TrivandelUtilities/TVUNetwork.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <strings.h>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Network/NetworkReachabilityManager.h"
#include "Platform/Network/TransferEngine.h"
#include "Platform/Runtime/Deployment.h"

namespace platform {

struct TVUNetwork::State {
  std::string host;
  mutable std::mutex mu;
  std::condition_variable idle;  // signalled when running drops to 0
  std::weak_ptr<TVUNetworkLoggerDelegate> logger;
  std::weak_ptr<TVUNetworkReachabilityDelegate> reachabilityDelegate;
  std::shared_ptr<NetworkReachabilityManager> reachability;
  std::atomic<bool> debug{false};
  std::atomic<long> timeoutMs{60000};
  std::atomic<bool> notReachable{false};
  std::atomic<bool> lastBackground{false};
  int running = 0;  // guarded by mu
  std::atomic<uint64_t> nextSession{1};

  void log(int level, int code, const std::string& message, std::vector<std::string> contexts = {}) {
    std::shared_ptr<TVUNetworkLoggerDelegate> delegate;
    {
      std::lock_guard<std::mutex> lock(mu);
      delegate = logger.lock();
    }
    if (delegate) delegate->TVUNetwork_logWithLevel(level, code, message, contexts);
  }

  void reachabilityChanged(ReachabilityStatus status) {
    notReachable = status == ReachabilityStatus::kNotReachable;
    log(6, kTVUNetworkMessageCodeReachabilityChanged, "Network reachability changed. Connected",
        {notReachable ? "NO" : "YES"});
    std::shared_ptr<TVUNetworkReachabilityDelegate> delegate;
    {
      std::lock_guard<std::mutex> lock(mu);
      delegate = reachabilityDelegate.lock();
    }
    if (delegate) delegate->reachabilityDidChange();
  }
};

namespace {

void Deliver(const std::shared_ptr<DispatchQueue>& queue, TVUNetwork::Completion completion,
             std::optional<TVUHTTPResponse> response, Bytes body, std::optional<Status> error) {
  if (!completion) return;
  auto call = [completion = std::move(completion), response = std::move(response), body = std::move(body),
               error = std::move(error)]() mutable { completion(std::move(response), std::move(body), std::move(error)); };
  if (queue) {
    queue->async(std::move(call));
  } else {
    call();
  }
}

// The deployment's certificate file, for the service hosts it names.
void ApplyDeploymentTrust(TransferRequest& request) {
  auto certificates = Deployment::trustedCertificatesFile();
  if (!certificates) return;
  request.extraTrustedCertificatesFile = *certificates;
  request.trustedHosts = {Deployment::measurementServiceHost(), Deployment::adsConversionServiceHost(),
                          Deployment::searchAdsAttributionServiceHost()};
}

}  // namespace

TVUNetwork::TVUNetwork(std::string reachabilityHost, std::shared_ptr<NetworkReachabilityManager> reachability)
    : state_(std::make_shared<State>()) {
  state_->host = std::move(reachabilityHost);
  state_->reachability = reachability ? std::move(reachability) : NetworkReachabilityManager::create();
  if (state_->reachability) {
    std::weak_ptr<State> weak = state_;
    state_->reachability->startListening(DispatchQueue::create("TVUNetworkReachability"),
                                         [weak](ReachabilityStatus status) {
                                           if (auto state = weak.lock()) state->reachabilityChanged(status);
                                         });
  }
}

TVUNetwork::~TVUNetwork() {
  if (state_->reachability) state_->reachability->stopListening();
  std::unique_lock<std::mutex> lock(state_->mu);
  state_->idle.wait(lock, [&] { return state_->running == 0; });
}

void TVUNetwork::setLoggerDelegate(std::weak_ptr<TVUNetworkLoggerDelegate> delegate) {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->logger = std::move(delegate);
}

void TVUNetwork::setIsDebugModeEnabled(bool enabled) { state_->debug = enabled; }

void TVUNetwork::setReachabilityDelegate(std::weak_ptr<TVUNetworkReachabilityDelegate> delegate) {
  std::lock_guard<std::mutex> lock(state_->mu);
  state_->reachabilityDelegate = std::move(delegate);
}

void TVUNetwork::setTimeoutInterval(double seconds) {
  state_->timeoutMs = seconds > 0 ? static_cast<long>(seconds * 1000) : 60000;
}

bool TVUNetwork::isNetworkConnected() const { return !state_->notReachable; }

bool TVUNetwork::hasUploadInProgress() const {
  std::lock_guard<std::mutex> lock(state_->mu);
  return state_->running > 0;
}

bool TVUNetwork::lastRequestUsedBackgroundSession() const { return state_->lastBackground; }

std::string TVUNetwork::postURL(const std::string& url, const Headers& headers, const Bytes& payload,
                                std::shared_ptr<DispatchQueue> queue, bool usingBackgroundSession,
                                Completion completion) {
  return start("POST", url, headers, payload, std::move(queue), usingBackgroundSession, std::move(completion));
}

std::string TVUNetwork::postURL(const std::string& url, const Bytes& payload, std::shared_ptr<DispatchQueue> queue,
                                bool usingBackgroundSession, Completion completion) {
  return postURL(url, {}, payload, std::move(queue), usingBackgroundSession, std::move(completion));
}

std::string TVUNetwork::getURL(const std::string& url, const Headers& headers, std::shared_ptr<DispatchQueue> queue,
                               bool usingBackgroundSession, Completion completion) {
  return start("GET", url, headers, {}, std::move(queue), usingBackgroundSession, std::move(completion));
}

void TVUNetwork::handleEventsForBackgroundURLSessionID(const std::string&,
                                                       const std::function<void()>& completionHandler) {
  if (completionHandler) completionHandler();
}

std::string TVUNetwork::start(const std::string& method, const std::string& url, const Headers& headers,
                              const Bytes& payload, std::shared_ptr<DispatchQueue> queue, bool usingBackgroundSession,
                              Completion completion) {
  state_->lastBackground = usingBackgroundSession;
  if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) {
    state_->log(3, kTVUNetworkMessageCodeInvalidURL, "Invalid URL", {url});
    Deliver(queue, std::move(completion), std::nullopt, {}, Status::InvalidArgument("Invalid URL: " + url));
    return "";
  }
  std::string session = "tvu-session-" + std::to_string(state_->nextSession++);
  TransferRequest request;
  request.method = method;
  request.url = url;
  bool hasContentType = false;
  for (const auto& [name, value] : headers) {
    request.headerLines.push_back(name + ": " + value);
    hasContentType = hasContentType || strcasecmp(name.c_str(), "Content-Type") == 0;
  }
  if (method == "POST") {
    request.body = std::string(payload.begin(), payload.end());
    request.headerLines.push_back("Expect:");  // the body goes at once, never after a 100-continue wait
    // Without a type of the caller's the body is opaque bytes, not the form
    // encoding libcurl would otherwise announce (and servers then parse or cap).
    if (!hasContentType) request.headerLines.push_back("Content-Type: application/octet-stream");
  }
  request.timeoutSeconds = static_cast<double>(state_->timeoutMs.load()) / 1000;
  request.maxResponseBodyBytes = kTVUNetworkMaxResponseBodyBytes;
  request.refuseInvalidDomain = true;
  ApplyDeploymentTrust(request);
  if (state_->debug) state_->log(7, kTVUNetworkMessageCodeRequestStarted, "Starting request", {method, url});
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    state_->running++;
  }
  const auto id = TransferEngine::shared().start(
      std::move(request), [state = state_, url, queue = std::move(queue), completion = std::move(completion)](
                              TransferResult result) mutable {
        std::optional<TVUHTTPResponse> response;
        std::optional<Status> error;
        if (result.error != TransferError::kNone) {
          state->log(3, kTVUNetworkMessageCodeRequestFailed, "Request failed", {url, result.errorDetail});
          error = Status::IOError(result.errorDetail.empty() ? result.errorText : result.errorDetail);
        } else {
          if (state->debug) {
            state->log(7, kTVUNetworkMessageCodeRequestCompleted, "Request completed",
                       {url, std::to_string(result.status)});
          }
          response = TVUHTTPResponse{result.status, url, {}, result.expectedContentLength};
          for (auto& [name, value] : result.headers) {
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            response->headers[name] = std::move(value);
          }
        }
        Deliver(queue, std::move(completion), std::move(response), Bytes(result.body.begin(), result.body.end()),
                std::move(error));
        std::lock_guard<std::mutex> lock(state->mu);
        if (--state->running == 0) state->idle.notify_all();
      });
  // 0: refused before it started (a ".invalid" host); the completion has run.
  return id == 0 ? "" : session;
}

}  // namespace platform
