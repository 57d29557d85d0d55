#include "Platform/TrivandelUtilities/TVUNetwork.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <mutex>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Network/TransferEngine.h"

namespace platform {

struct TVUNetwork::State {
  std::string host;
  std::mutex mu;
  std::condition_variable idle;  // signalled when running drops to 0
  std::weak_ptr<TVUNetworkLoggerDelegate> logger;
  std::weak_ptr<TVUNetworkReachabilityDelegate> reachability;
  std::atomic<bool> debug{false};
  std::atomic<long> timeoutMs{60000};
  int running = 0;  // guarded by mu
  std::atomic<uint64_t> nextSession{1};
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

}  // namespace

TVUNetwork::TVUNetwork(std::string reachabilityHost) : state_(std::make_shared<State>()) {
  state_->host = std::move(reachabilityHost);
}

TVUNetwork::~TVUNetwork() {
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
  state_->reachability = std::move(delegate);
}

void TVUNetwork::setTimeoutInterval(double seconds) {
  state_->timeoutMs = seconds > 0 ? static_cast<long>(seconds * 1000) : 60000;
}

bool TVUNetwork::isNetworkConnected() const { return true; }

bool TVUNetwork::hasUploadInProgress() const {
  std::lock_guard<std::mutex> lock(state_->mu);
  return state_->running > 0;
}

std::string TVUNetwork::postURL(const std::string& url, const Headers& headers, const Bytes& payload,
                                std::shared_ptr<DispatchQueue> queue, bool, Completion completion) {
  return start("POST", url, headers, payload, std::move(queue), std::move(completion));
}

std::string TVUNetwork::postURL(const std::string& url, const Bytes& payload, std::shared_ptr<DispatchQueue> queue,
                                bool usingBackgroundSession, Completion completion) {
  return postURL(url, {}, payload, std::move(queue), usingBackgroundSession, std::move(completion));
}

std::string TVUNetwork::getURL(const std::string& url, const Headers& headers, std::shared_ptr<DispatchQueue> queue,
                               bool, Completion completion) {
  return start("GET", url, headers, {}, std::move(queue), std::move(completion));
}

void TVUNetwork::handleEventsForBackgroundURLSessionID(const std::string&,
                                                       const std::function<void()>& completionHandler) {
  if (completionHandler) completionHandler();
}

std::string TVUNetwork::start(const std::string& method, const std::string& url, const Headers& headers,
                              const Bytes& payload, std::shared_ptr<DispatchQueue> queue, Completion completion) {
  if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) {
    Deliver(queue, std::move(completion), std::nullopt, {}, Status::InvalidArgument("Invalid URL: " + url));
    return "";
  }
  std::string session = "tvu-session-" + std::to_string(state_->nextSession++);
  TransferRequest request;
  request.method = method;
  request.url = url;
  for (const auto& [name, value] : headers) request.headerLines.push_back(name + ": " + value);
  if (method == "POST") request.body = std::string(payload.begin(), payload.end());
  request.timeoutSeconds = static_cast<double>(state_->timeoutMs.load()) / 1000;
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    state_->running++;
  }
  TransferEngine::shared().start(
      std::move(request), [state = state_, url, queue = std::move(queue), completion = std::move(completion)](
                              TransferResult result) mutable {
        std::optional<TVUHTTPResponse> response;
        std::optional<Status> error;
        if (result.error != TransferError::kNone) {
          error = Status::IOError(result.errorText);
        } else {
          response = TVUHTTPResponse{result.status, url, {}};
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
  return session;
}

}  // namespace platform
