#include "Platform/Network/URLSession.h"

#include <algorithm>
#include <cctype>

#include "Platform/Network/TransferEngine.h"

namespace platform {

const std::shared_ptr<URLSession>& URLSession::shared() {
  static const auto session = std::make_shared<URLSession>(DispatchQueue::create("URLSession.shared"));
  return session;
}

URLSession::URLSession(DispatchQueuePtr delegateQueue) : delegateQueue_(std::move(delegateQueue)) {}

void URLSession::dataTaskWithRequest(URLRequest request, Completion completion) {
  auto deliver = [queue = delegateQueue_, completion = std::move(completion)](
                     std::optional<URLResponse> response, std::string body, std::optional<Status> error) {
    if (!completion) return;
    queue->async([completion, response = std::move(response), body = std::move(body),
                  error = std::move(error)]() mutable {
      completion(std::move(response), std::move(body), std::move(error));
    });
  };
  if (request.url.rfind("http://", 0) != 0 && request.url.rfind("https://", 0) != 0) {
    deliver(std::nullopt, {}, Status::InvalidArgument("Invalid URL: " + request.url));
    return;
  }
  TransferRequest transfer;
  transfer.method = request.method;
  transfer.url = request.url;
  bool hasContentType = false;
  for (const auto& [name, value] : request.headers) {
    transfer.headerLines.push_back(name + ": " + value);
    hasContentType = hasContentType || std::equal(name.begin(), name.end(), std::string_view("content-type").begin(),
                                                  std::string_view("content-type").end(), [](char a, char b) {
                                                    return std::tolower(static_cast<unsigned char>(a)) == b;
                                                  });
  }
  if (request.method == "POST") {
    transfer.body = std::move(request.body);
    transfer.headerLines.push_back("Expect:");
    if (!hasContentType) transfer.headerLines.push_back("Content-Type: application/octet-stream");
  }
  transfer.timeoutSeconds = request.timeoutSeconds > 0 ? request.timeoutSeconds : 60.0;
  transfer.extraTrustedCertificatesFile = std::move(request.extraTrustedCertificatesFile);
  transfer.trustedHosts = std::move(request.trustedHosts);
  transfer.maxResponseBodyBytes = kMaxResponseBodyBytes;
  transfer.refuseInvalidDomain = true;
  // Under the manual clock a task in flight keeps the process busy, as the
  // app's own sessions do.
  transfer.countsAsPendingWork = true;
  TransferEngine::shared().start(std::move(transfer), [deliver = std::move(deliver)](TransferResult result) {
    if (result.error != TransferError::kNone) {
      deliver(std::nullopt, {}, Status::IOError(result.errorDetail.empty() ? result.errorText : result.errorDetail));
      return;
    }
    URLResponse response;
    response.statusCode = result.status;
    for (auto& [name, value] : result.headers) {
      std::string lower = name;
      std::transform(lower.begin(), lower.end(), lower.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      response.headers[lower] = std::move(value);
    }
    deliver(std::move(response), std::move(result.body), std::nullopt);
  });
}

}  // namespace platform
