#include "Facility/Network/HttpUtility.h"

#include <nlohmann/json.hpp>

#include <mutex>

#include "Platform/Foundation/JsonText.h"
#include "Platform/Network/TransferEngine.h"

HttpUtility& HttpUtility::shared() {
  static HttpUtility* utility = new HttpUtility();
  return *utility;
}

HttpUtility::HttpUtility() : queue_(platform::DispatchQueue::create("com.facility.httputility")) {}

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
    platform::LogDebug("Json reponse is: " + platform::JsonText::dump(names));
  }
}

void HttpUtility::logDecodingError(const std::string& message) {
  platform::LogDebug(platform::JsonText::dump(nlohmann::json("deocding error =>" + message)));
}

void HttpUtility::runDataTask(const HURequest& request, std::function<void(RawResponse)> completion) {
  platform::TransferRequest transfer;
  transfer.method = "POST";
  transfer.url = request.url.absoluteString();
  if (std::optional<std::string> token = authenticationToken()) {
    transfer.headerLines.push_back("authorization: " + *token);
  }
  transfer.headerLines.push_back("content-type: application/json");
  // Suppress the transfer library's own defaults so only our two headers go out.
  transfer.headerLines.push_back("Accept:");
  transfer.body = request.requestBody.value_or("");
  transfer.timeoutSeconds = timeoutInterval();
  transfer.countsAsPendingWork = true;
  platform::TransferEngine::shared().start(
      std::move(transfer), [queue = queue_, completion = std::move(completion)](platform::TransferResult result) mutable {
        RawResponse out;
        if (result.status != 0) out.httpStatus = result.status;
        if (result.error != platform::TransferError::kNone) out.transportError = result.errorText;
        out.body = std::move(result.body);
        queue->async([completion = std::move(completion), out = std::move(out)]() mutable { completion(std::move(out)); });
      });
}
