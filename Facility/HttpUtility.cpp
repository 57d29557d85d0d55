#include "Facility/HttpUtility.h"

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

void HttpUtility::send(const HURequest& request, std::function<void(HUResult<RawResponse>)> completion) {
  HUNetworkError base{.reason = std::nullopt,
                      .httpStatusCode = std::nullopt,
                      .requestUrl = request.url,
                      .requestBody = request.requestBody,
                      .serverResponse = std::nullopt};
  if (request.method != HUHttpMethods::POST) {
    queue_->async([completion = std::move(completion), base, method = request.method]() mutable {
      base.reason = std::string("unsupported method ") + HUHttpMethodName(method);
      completion(HUResult<RawResponse>{.record = std::nullopt, .failure = base});
    });
    return;
  }
  std::optional<std::string> token = authenticationToken();
  std::string url = request.url.absoluteString();
  std::string body = request.requestBody.value_or("");
  queue_->async([completion = std::move(completion), base, token, url, body]() mutable {
    HUResult<RawResponse> out;
    CURL* curl = curl_easy_init();
    if (!curl) {
      base.reason = "unable to start the transfer";
      out.failure = base;
      completion(std::move(out));
      return;
    }
    std::string reply;
    curl_slist* headers = nullptr;
    if (token) headers = curl_slist_append(headers, ("authorization: " + *token).c_str());
    headers = curl_slist_append(headers, "content-type: application/json");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(kTimeoutSeconds * 1000));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "localhost,127.0.0.1");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
    CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    if (code != CURLE_OK) {
      base.reason = curl_easy_strerror(code);
      out.failure = base;
    } else if (status < 200 || status > 299) {
      base.httpStatusCode = status;
      base.serverResponse = reply;
      out.failure = base;
    } else {
      out.record = RawResponse{.httpStatus = status, .body = std::move(reply), .transportError = std::nullopt};
    }
    completion(std::move(out));
  });
}
