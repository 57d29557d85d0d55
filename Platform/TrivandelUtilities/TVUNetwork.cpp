#include "Platform/TrivandelUtilities/TVUNetwork.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <mutex>
#include <thread>

#include "Platform/Foundation/DispatchQueue.h"

namespace platform {

struct TVUNetwork::State {
  std::string host;
  std::mutex mu;
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::vector<Worker> threads;  // guarded by mu
  std::weak_ptr<TVUNetworkLoggerDelegate> logger;
  std::weak_ptr<TVUNetworkReachabilityDelegate> reachability;
  std::atomic<bool> debug{false};
  std::atomic<long> timeoutMs{60000};
  std::atomic<int> running{0};
  std::atomic<uint64_t> nextSession{1};
};

namespace {

void InitCurlOnce() {
  static const bool initialized = [] { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }();
  (void)initialized;
}

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* body = static_cast<Bytes*>(user);
  body->insert(body->end(), data, data + size * count);
  return size * count;
}

size_t WriteHeader(char* data, size_t size, size_t count, void* user) {
  auto* headers = static_cast<std::map<std::string, std::string>*>(user);
  std::string line(data, size * count);
  auto colon = line.find(':');
  if (colon != std::string::npos) {
    std::string name = line.substr(0, colon);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string value = line.substr(colon + 1);
    auto first = value.find_first_not_of(" \t");
    auto last = value.find_last_not_of(" \t\r\n");
    (*headers)[name] = first == std::string::npos ? "" : value.substr(first, last - first + 1);
  }
  return size * count;
}

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
  InitCurlOnce();
}

TVUNetwork::~TVUNetwork() {
  std::vector<State::Worker> threads;
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    threads.swap(state_->threads);
  }
  for (auto& worker : threads) {
    if (worker.thread.joinable()) worker.thread.join();
  }
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

bool TVUNetwork::hasUploadInProgress() const { return state_->running.load() > 0; }

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
  std::weak_ptr<State> weak = state_;
  long timeoutMs = state_->timeoutMs.load();
  state_->running++;
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::lock_guard<std::mutex> lock(state_->mu);
  // Finished request threads are joined here so they do not pile up.
  auto& workers = state_->threads;
  for (auto it = workers.begin(); it != workers.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = workers.erase(it);
    } else {
      ++it;
    }
  }
  std::thread thread([weak, method, url, headers, payload, queue, completion, timeoutMs, done]() mutable {
    Bytes body;
    TVUHTTPResponse response;
    response.url = url;
    std::optional<Status> error;
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
      error = Status::Internal("Could not create a request");
    } else {
      curl_slist* list = nullptr;
      for (const auto& [name, value] : headers) list = curl_slist_append(list, (name + ": " + value).c_str());
      curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
      curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
      curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
      curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
      curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
      curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
      curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, WriteHeader);
      curl_easy_setopt(curl, CURLOPT_HEADERDATA, &response.headers);
      if (method == "POST") {
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(payload.size()));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, payload.empty() ? "" : reinterpret_cast<const char*>(payload.data()));
      }
      CURLcode rc = curl_easy_perform(curl);
      if (rc != CURLE_OK) {
        error = Status::IOError(curl_easy_strerror(rc));
      } else {
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.statusCode);
      }
      curl_slist_free_all(list);
      curl_easy_cleanup(curl);
    }
    std::optional<TVUHTTPResponse> delivered;
    if (!error) delivered = std::move(response);
    Deliver(queue, std::move(completion), std::move(delivered), std::move(body), std::move(error));
    if (auto state = weak.lock()) state->running--;
    done->store(true);
  });
  workers.push_back({std::move(thread), done});
  return session;
}

}  // namespace platform
