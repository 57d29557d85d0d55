#include "Facility/Network/HTTPSession.h"

#include <curl/curl.h>

#include <cctype>

#include "Platform/Foundation/RunLoop.h"

namespace {

size_t writeBody(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

size_t writeHeader(char* data, size_t size, size_t count, void* user) {
  auto* headers = static_cast<std::map<std::string, std::string>*>(user);
  std::string line(data, size * count);
  auto colon = line.find(':');
  if (colon != std::string::npos) {
    std::string value = line.substr(colon + 1);
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.front()))) value.erase(value.begin());
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) value.pop_back();
    (*headers)[line.substr(0, colon)] = value;
  } else if (line.rfind("HTTP/", 0) == 0) {
    headers->clear();  // a new response (after a redirect or 100-continue)
  }
  return size * count;
}

}  // namespace

HTTPSession& HTTPSession::shared() {
  static HTTPSession* session = new HTTPSession();
  return *session;
}

HTTPSession::HTTPSession() : queue_(platform::DispatchQueue::create("com.facility.http")) {
  curl_global_init(CURL_GLOBAL_DEFAULT);
}

void HTTPSession::perform(HTTPTransfer transfer, std::function<void(HTTPExchange)> completion) {
  queue_->async([transfer = std::move(transfer), completion = std::move(completion)]() mutable {
    HTTPExchange result = performNow(transfer);
    platform::RunLoop::main().async(
        [completion = std::move(completion), result = std::move(result)]() mutable { completion(std::move(result)); });
  });
}

HTTPExchange HTTPSession::performNow(const HTTPTransfer& transfer) {
  HTTPExchange out;
  CURL* curl = curl_easy_init();
  if (!curl) {
    out.transportError = "The network connection could not be created.";
    return out;
  }
  char errorBuffer[CURL_ERROR_SIZE] = {0};
  struct curl_slist* list = nullptr;
  for (const auto& [name, raw] : transfer.headers) {
    // A stored value with line breaks must not end the header block or add
    // headers of its own.
    std::string value;
    for (char c : raw) {
      if (c != '\r' && c != '\n') value.push_back(c);
    }
    // "Name;" is libcurl's way to send a header with an empty value.
    std::string line = value.empty() ? name + ";" : name + ": " + value;
    list = curl_slist_append(list, line.c_str());
  }
  if (transfer.body) list = curl_slist_append(list, "Expect:");
  std::string body;
  std::map<std::string, std::string> headers;
  curl_easy_setopt(curl, CURLOPT_URL, transfer.url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, writeHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &headers);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(transfer.timeoutSeconds * 1000));
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  // The loopback never goes through a proxy named in the environment.
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "localhost,127.0.0.1");
  if (transfer.body) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, transfer.body->data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(transfer.body->size()));
  }
  if (transfer.method == "GET" && !transfer.body) {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  } else if (transfer.method == "HEAD") {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  } else if (transfer.method != "POST" || !transfer.body) {
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, transfer.method.c_str());
  }
  CURLcode rc = curl_easy_perform(curl);
  if (rc != CURLE_OK) {
    std::string detail = errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc);
    if (rc == CURLE_OPERATION_TIMEDOUT) {
      out.transportError = "The request timed out.";
    } else if (rc == CURLE_COULDNT_CONNECT) {
      out.transportError = "Could not connect to the server.";
    } else if (rc == CURLE_URL_MALFORMAT || rc == CURLE_UNSUPPORTED_PROTOCOL) {
      out.transportError = "unsupported URL";
    } else {
      out.transportError = "The network connection failed: " + detail;
    }
  } else {
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    out.response = HTTPURLResponse{static_cast<int>(status), transfer.url, std::move(headers)};
    out.data = std::move(body);
  }
  curl_slist_free_all(list);
  curl_easy_cleanup(curl);
  return out;
}
