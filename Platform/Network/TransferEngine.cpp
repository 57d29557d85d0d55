#include "Platform/Network/TransferEngine.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/TaskQueueRegistry.h"

namespace platform {

namespace {

// Enough for many transfers side by side to one server, few enough that a
// burst queues inside libcurl instead of opening a connection per transfer.
constexpr long kMaxConnectionsPerHost = 32;
constexpr int kIdlePollMs = 1000;

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string Trim(const std::string& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
  while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
  return text.substr(first, last - first);
}

std::string WithoutLineBreaks(const std::string& line) {
  std::string out;
  out.reserve(line.size());
  for (char c : line) {
    if (c != '\r' && c != '\n') out.push_back(c);
  }
  return out;
}

struct Address {
  std::string host;  // lower case, without a final dot; IPv6 in brackets
  std::optional<long> port;
};

// Host and port of a URL; with defaultPort the scheme's port stands in for
// an absent one.
std::optional<Address> AddressOf(const std::string& url, bool defaultPort) {
  CURLU* handle = curl_url();
  if (!handle) return std::nullopt;
  std::optional<Address> out;
  char* host = nullptr;
  if (curl_url_set(handle, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
      curl_url_get(handle, CURLUPART_HOST, &host, 0) == CURLUE_OK && host) {
    out = Address{host, std::nullopt};
    std::transform(out->host.begin(), out->host.end(), out->host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    while (!out->host.empty() && out->host.back() == '.') out->host.pop_back();
    char* port = nullptr;
    if (curl_url_get(handle, CURLUPART_PORT, &port, defaultPort ? CURLU_DEFAULT_PORT : 0) == CURLUE_OK && port) {
      out->port = std::strtol(port, nullptr, 10);
    }
    curl_free(port);
  }
  curl_free(host);
  curl_url_cleanup(handle);
  return out;
}

// "scheme://host:port" of a URL, the scheme's port standing in for an
// absent one; none when the URL does not parse.
std::optional<std::string> OriginOf(const std::string& url) {
  auto address = AddressOf(url, true);
  if (!address || !address->port) return std::nullopt;
  CURLU* handle = curl_url();
  if (!handle) return std::nullopt;
  std::optional<std::string> out;
  char* scheme = nullptr;
  if (curl_url_set(handle, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
      curl_url_get(handle, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK && scheme) {
    out = std::string(scheme) + "://" + address->host + ":" + std::to_string(*address->port);
  }
  curl_free(scheme);
  curl_url_cleanup(handle);
  return out;
}

bool UnderInvalidDomain(const std::string& url) {
  auto address = AddressOf(url, false);
  if (!address) return false;
  const std::string& host = address->host;
  static const std::string kSuffix = ".invalid";
  return host == "invalid" ||
         (host.size() > kSuffix.size() && host.compare(host.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0);
}

bool AddressesTrustedHost(const TransferRequest& request) {
  if (request.extraTrustedCertificatesFile.empty() || request.trustedHosts.empty()) return false;
  auto target = AddressOf(request.url, true);
  if (!target) return false;
  for (const auto& entry : request.trustedHosts) {
    auto named = AddressOf("https://" + entry + "/", false);
    if (!named || named->host != target->host) continue;
    if (!named->port || named->port == target->port) return true;
  }
  return false;
}

}  // namespace

struct TransferEngine::State {
  struct Transfer {
    TransferID id = 0;
    TransferRequest request;
    Completion completion;
    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;
    char errorBuffer[CURL_ERROR_SIZE] = {0};
    bool bodyTooLarge = false;
    TransferResult result;
  };

  std::mutex mu;
  bool stopping = false;  // guarded by mu
  TransferID nextID = 1;  // guarded by mu
  std::vector<std::unique_ptr<Transfer>> toStart;  // guarded by mu
  std::vector<TransferID> toCancel;                // guarded by mu
  std::set<std::string> originsLogged;             // guarded by mu
  CURLM* multi = nullptr;
  std::thread thread;
  // Engine thread only.
  std::map<TransferID, std::unique_ptr<Transfer>> running;

  ~State() {
    if (multi) curl_multi_cleanup(multi);
  }

  void loop();
  void begin(std::unique_ptr<Transfer> transfer);
  void finish(std::unique_ptr<Transfer> transfer, CURLcode code);
  static void complete(std::unique_ptr<Transfer> transfer);
};

namespace {

size_t AppendBody(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<TransferEngine::State::Transfer*>(user);
  const std::uint64_t cap = transfer->request.maxResponseBodyBytes;
  if (cap != 0 && transfer->result.body.size() + size * count > cap) {
    transfer->bodyTooLarge = true;
    return 0;  // fewer bytes than given: libcurl ends the transfer
  }
  transfer->result.body.append(data, size * count);
  return size * count;
}

size_t AppendHeader(char* data, size_t size, size_t count, void* user) {
  auto* result = static_cast<TransferResult*>(user);
  std::string line(data, size * count);
  auto colon = line.find(':');
  if (line.rfind("HTTP/", 0) == 0) {
    result->headers.clear();  // a new response (after a redirect or 100-continue)
  } else if (colon != std::string::npos) {
    result->headers.emplace_back(line.substr(0, colon), Trim(line.substr(colon + 1)));
  }
  return size * count;
}

TransferError ErrorFor(CURLcode code) {
  switch (code) {
    case CURLE_OK:
      return TransferError::kNone;
    case CURLE_OPERATION_TIMEDOUT:
      return TransferError::kTimedOut;
    case CURLE_COULDNT_CONNECT:
      return TransferError::kCouldNotConnect;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
      return TransferError::kUnsupportedURL;
    default:
      return TransferError::kOther;
  }
}

}  // namespace

TransferEngine& TransferEngine::shared() {
  // Leaked: clients may still start transfers during static destruction.
  static TransferEngine* engine = new TransferEngine();
  return *engine;
}

TransferEngine::TransferEngine() : state_(std::make_shared<State>()) {
  GlobalInit();
  state_->multi = curl_multi_init();
  curl_multi_setopt(state_->multi, CURLMOPT_MAX_HOST_CONNECTIONS, kMaxConnectionsPerHost);
  state_->thread = std::thread([state = state_] { state->loop(); });
}

TransferEngine::~TransferEngine() { shutdown(); }

TransferEngine::TransferID TransferEngine::start(TransferRequest request, Completion completion) {
  auto transfer = std::make_unique<State::Transfer>();
  transfer->request = std::move(request);
  transfer->completion = std::move(completion);
  if (transfer->request.countsAsPendingWork) TaskQueueRegistry::shared().addPendingWork(1);
  if (transfer->request.refuseInvalidDomain && UnderInvalidDomain(transfer->request.url)) {
    transfer->result.error = TransferError::kOther;
    transfer->result.errorText = "Could not resolve the host.";
    transfer->result.errorDetail = "The host of " + transfer->request.url + " is under \".invalid\", which never resolves.";
    State::complete(std::move(transfer));
    return 0;
  }
  // Where the program talks to, once per place: a run's log shows every
  // host it reached without a line per request.
  auto origin = OriginOf(transfer->request.url);
  bool firstToOrigin = false;
  TransferID id = 0;
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    if (!state_->stopping) {
      id = state_->nextID++;
      transfer->id = id;
      state_->toStart.push_back(std::move(transfer));
      if (origin) firstToOrigin = state_->originsLogged.insert(*origin).second;
    }
  }
  if (firstToOrigin) LogInfo("transfer: " + *origin);
  if (transfer) {
    transfer->result.error = TransferError::kCancelled;
    transfer->result.errorText = transfer->result.errorDetail = "The transfer engine has shut down.";
    State::complete(std::move(transfer));
    return 0;
  }
  curl_multi_wakeup(state_->multi);
  return id;
}

void TransferEngine::cancel(TransferID id) {
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    if (state_->stopping) return;
    state_->toCancel.push_back(id);
  }
  curl_multi_wakeup(state_->multi);
}

void TransferEngine::shutdown() {
  {
    std::lock_guard<std::mutex> lock(state_->mu);
    state_->stopping = true;
  }
  curl_multi_wakeup(state_->multi);
  if (!state_->thread.joinable()) return;
  if (state_->thread.get_id() == std::this_thread::get_id()) {
    LogError("TransferEngine: shut down from its own completion; the engine thread is left to end by itself");
    state_->thread.detach();
    return;
  }
  state_->thread.join();
}

void TransferEngine::State::loop() {
  for (;;) {
    std::vector<std::unique_ptr<Transfer>> starting;
    std::vector<TransferID> cancelling;
    bool stop = false;
    {
      std::lock_guard<std::mutex> lock(mu);
      starting.swap(toStart);
      cancelling.swap(toCancel);
      stop = stopping;
    }
    for (auto& transfer : starting) begin(std::move(transfer));
    for (TransferID id : cancelling) {
      auto it = running.find(id);
      if (it != running.end()) {
        auto transfer = std::move(it->second);
        running.erase(it);
        finish(std::move(transfer), CURLE_ABORTED_BY_CALLBACK);
      }
    }
    if (stop) break;

    int stillRunning = 0;
    curl_multi_perform(multi, &stillRunning);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg != CURLMSG_DONE) continue;
      Transfer* raw = nullptr;
      curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &raw);
      CURLcode code = message->data.result;
      auto it = raw ? running.find(raw->id) : running.end();
      if (it == running.end()) continue;
      auto transfer = std::move(it->second);
      running.erase(it);
      finish(std::move(transfer), code);
    }
    curl_multi_poll(multi, nullptr, 0, kIdlePollMs, nullptr);
  }
  // Whatever is left is cancelled; transfers started meanwhile too (start()
  // refuses new ones once stopping is set, so this list only shrinks).
  std::vector<std::unique_ptr<Transfer>> starting;
  {
    std::lock_guard<std::mutex> lock(mu);
    starting.swap(toStart);
    toCancel.clear();
  }
  for (auto& transfer : starting) {
    transfer->result.error = TransferError::kCancelled;
    transfer->result.errorText = transfer->result.errorDetail = "The transfer was cancelled.";
    complete(std::move(transfer));
  }
  while (!running.empty()) {
    auto transfer = std::move(running.begin()->second);
    running.erase(running.begin());
    finish(std::move(transfer), CURLE_ABORTED_BY_CALLBACK);
  }
}

void TransferEngine::State::begin(std::unique_ptr<Transfer> transfer) {
  CURL* easy = curl_easy_init();
  if (!easy) {
    transfer->result.error = TransferError::kOther;
    transfer->result.errorText = transfer->result.errorDetail = "The network connection could not be created.";
    complete(std::move(transfer));
    return;
  }
  transfer->easy = easy;
  const TransferRequest& request = transfer->request;
  for (const auto& line : request.headerLines) {
    transfer->headerList = curl_slist_append(transfer->headerList, WithoutLineBreaks(line).c_str());
  }
  curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer.get());
  curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer->errorBuffer);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer->headerList);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, AppendBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, AppendHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer->result);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(request.timeoutSeconds * 1000));
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  // The loopback never goes through a proxy named in the environment.
  curl_easy_setopt(easy, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  // The extra file replaces only the default bundle file: the system's
  // roots stay trusted through the default certificate directory. A
  // connection made with it is never reused by a transfer without it, as
  // libcurl matches connections on their certificate file.
  if (AddressesTrustedHost(request)) {
    curl_easy_setopt(easy, CURLOPT_CAINFO, request.extraTrustedCertificatesFile.c_str());
  }
  if (request.maxResponseBodyBytes != 0) {
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxResponseBodyBytes));
  }
  if (request.body) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body->data());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body->size()));
  }
  if (request.method == "GET" && !request.body) {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  } else if (request.method == "HEAD") {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  } else if (request.method != "POST" || !request.body) {
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
  }
  CURLMcode added = curl_multi_add_handle(multi, easy);
  if (added != CURLM_OK) {
    transfer->result.error = TransferError::kOther;
    transfer->result.errorText = transfer->result.errorDetail = curl_multi_strerror(added);
    curl_easy_cleanup(easy);
    transfer->easy = nullptr;
    complete(std::move(transfer));
    return;
  }
  TransferID id = transfer->id;
  running.emplace(id, std::move(transfer));
}

void TransferEngine::State::finish(std::unique_ptr<Transfer> transfer, CURLcode code) {
  TransferResult& result = transfer->result;
  curl_easy_getinfo(transfer->easy, CURLINFO_RESPONSE_CODE, &result.status);
  curl_off_t expected = -1;
  if (curl_easy_getinfo(transfer->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected) == CURLE_OK) {
    result.expectedContentLength = expected;
  }
  curl_multi_remove_handle(multi, transfer->easy);
  curl_easy_cleanup(transfer->easy);
  transfer->easy = nullptr;
  if (code == CURLE_FILESIZE_EXCEEDED || (code == CURLE_WRITE_ERROR && transfer->bodyTooLarge)) {
    // Nothing of an oversized reply is handed on.
    result = TransferResult{};
    result.error = TransferError::kOther;
    result.errorText = "The reply body is too large.";
    result.errorDetail = "The reply body is larger than " + std::to_string(transfer->request.maxResponseBodyBytes) +
                         " bytes.";
  } else if (code == CURLE_ABORTED_BY_CALLBACK) {
    result.error = TransferError::kCancelled;
    result.errorText = result.errorDetail = "The transfer was cancelled.";
  } else if (code != CURLE_OK) {
    result.error = ErrorFor(code);
    result.errorText = curl_easy_strerror(code);
    result.errorDetail = transfer->errorBuffer[0] ? transfer->errorBuffer : result.errorText;
  }
  complete(std::move(transfer));
}

void TransferEngine::State::complete(std::unique_ptr<Transfer> transfer) {
  if (transfer->headerList) curl_slist_free_all(transfer->headerList);
  transfer->headerList = nullptr;
  const bool counted = transfer->request.countsAsPendingWork;
  if (transfer->completion) transfer->completion(std::move(transfer->result));
  // After the completion handed the outcome to a queue, so the drivers never
  // see a moment with neither the transfer nor its hand-over pending.
  if (counted) TaskQueueRegistry::shared().addPendingWork(-1);
}

}  // namespace platform
