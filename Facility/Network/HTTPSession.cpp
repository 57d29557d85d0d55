#include "Facility/Network/HTTPSession.h"

#include "Platform/Foundation/RunLoop.h"
#include "Platform/Network/TransferEngine.h"

namespace {

HTTPExchange ExchangeFrom(const std::string& url, platform::TransferResult result) {
  using platform::TransferError;
  HTTPExchange out;
  switch (result.error) {
    case TransferError::kNone: {
      std::map<std::string, std::string> headers;
      for (auto& [name, value] : result.headers) headers[name] = std::move(value);
      out.response = HTTPURLResponse{static_cast<int>(result.status), url, std::move(headers)};
      out.data = std::move(result.body);
      break;
    }
    case TransferError::kTimedOut:
      out.transportError = "The request timed out.";
      break;
    case TransferError::kCouldNotConnect:
      out.transportError = "Could not connect to the server.";
      break;
    case TransferError::kUnsupportedURL:
      out.transportError = "unsupported URL";
      break;
    case TransferError::kCancelled:
    case TransferError::kOther:
      out.transportError = "The network connection failed: " + result.errorDetail;
      break;
  }
  return out;
}

}  // namespace

HTTPSession& HTTPSession::shared() {
  static HTTPSession* session = new HTTPSession();
  return *session;
}

void HTTPSession::perform(HTTPTransfer transfer, std::function<void(HTTPExchange)> completion) {
  platform::TransferRequest request;
  request.method = transfer.method;
  request.url = transfer.url;
  for (const auto& [name, value] : transfer.headers) {
    // "Name;" is libcurl's way to send a header with an empty value; line
    // breaks are dropped by the engine, so a value of only those is empty.
    const bool empty = value.find_first_not_of("\r\n") == std::string::npos;
    request.headerLines.push_back(empty ? name + ";" : name + ": " + value);
  }
  if (transfer.body) request.headerLines.push_back("Expect:");
  request.body = std::move(transfer.body);
  request.timeoutSeconds = transfer.timeoutSeconds;
  request.countsAsPendingWork = true;
  platform::TransferEngine::shared().start(
      std::move(request), [url = transfer.url, completion = std::move(completion)](platform::TransferResult result) mutable {
        platform::RunLoop::main().async(
            [completion = std::move(completion), exchange = ExchangeFrom(url, std::move(result))]() mutable {
              completion(std::move(exchange));
            });
      });
}
