#include "Facility/Network/HttpUtility.h"

#include <curl/curl.h>

#include <mutex>

namespace {

std::size_t AppendBody(char* data, std::size_t size, std::size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

HttpUtility& HttpUtility::shared() {
  static HttpUtility* utility = new HttpUtility();
  return *utility;
}

HttpUtility::HttpUtility() : queue_(platform::DispatchQueue::create("com.facility.httputility")) { GlobalInit(); }

void HttpUtility::setAuthenticationToken(std::optional<std::string> token) {
  std::lock_guard<std::mutex> lock(mu_);
  authenticationToken_ = std::move(token);
}

std::optional<std::string> HttpUtility::authenticationToken() const {
  std::lock_guard<std::mutex> lock(mu_);
  return authenticationToken_;
}

void HttpUtility::setCustomJsonDecoder(std::optional<HUJsonDecoder> decoder) {
  std::lock_guard<std::mutex> lock(mu_);
  customJsonDecoder_ = std::move(decoder);
}

std::optional<HUJsonDecoder> HttpUtility::customJsonDecoder() const {
  std::lock_guard<std::mutex> lock(mu_);
  return customJsonDecoder_;
}

void HttpUtility::setTimeoutInterval(double seconds) {
  std::lock_guard<std::mutex> lock(mu_);
  timeoutInterval_ = seconds;
}

double HttpUtility::timeoutInterval() const {
  std::lock_guard<std::mutex> lock(mu_);
  return timeoutInterval_;
}

void HttpUtility::logReply(const std::string& body) {
  auto json = nlohmann::json::parse(body, nullptr, false);
  if (json.is_discarded()) {
    platform::LogDebug("error: The data couldn't be read because it isn't in the correct format.");
  } else if (json.is_object()) {
    // Member names only: replies carry secrets (the engine's key).
    nlohmann::json names = nlohmann::json::array();
    for (const auto& item : json.items()) names.push_back(item.key());
    platform::LogDebug("Json reponse is: " + names.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  }
}

void HttpUtility::logDecodingError(const std::string& message) {
  platform::LogDebug(nlohmann::json("deocding error =>" + message).dump(-1, ' ', false,
                                                                         nlohmann::json::error_handler_t::replace));
}

void HttpUtility::runDataTask(const HURequest& request, std::function<void(RawResponse)> completion) {
  std::optional<std::string> token = authenticationToken();
  long timeoutMs = static_cast<long>(timeoutInterval() * 1000);
  std::string url = request.url.absoluteString();
  std::optional<std::string> body = request.requestBody;
  queue_->async([completion = std::move(completion), token, url, body, timeoutMs]() mutable {
    RawResponse out;
    CURL* curl = curl_easy_init();
    if (!curl) {
      out.transportError = "unable to start the transfer";
      completion(std::move(out));
      return;
    }
    curl_slist* headers = nullptr;
    if (token) {
      // A token with line breaks must not add headers of its own.
      std::string value;
      for (char c : *token) {
        if (c != '\r' && c != '\n') value.push_back(c);
      }
      headers = curl_slist_append(headers, ("authorization: " + value).c_str());
    }
    headers = curl_slist_append(headers, "content-type: application/json");
    // Suppress the transfer library's own defaults so only our two headers go out.
    headers = curl_slist_append(headers, "Accept:");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body ? body->data() : "");
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body ? body->size() : 0));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "localhost,127.0.0.1");
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &out.body);
    CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    if (status != 0) out.httpStatus = status;
    if (code != CURLE_OK) out.transportError = curl_easy_strerror(code);
    completion(std::move(out));
  });
}
