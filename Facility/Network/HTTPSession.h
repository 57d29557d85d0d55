// The transfers of the web client, over libcurl. Transfers run one at a time
// on the session's own queue; every outcome is handed to the main run loop.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Facility/Network/DataResponse.h"
#include "Platform/Foundation/DispatchQueue.h"

struct HTTPTransfer {
  std::string method;
  std::string url;
  // Header order is kept; an empty value is sent as an empty header.
  std::vector<std::pair<std::string, std::string>> headers;
  std::optional<std::string> body;
  double timeoutSeconds = 60.0;
};

class HTTPSession {
 public:
  static HTTPSession& shared();

  // completion runs once, on the main run loop.
  void perform(HTTPTransfer transfer, std::function<void(HTTPExchange)> completion);
  // Runs the transfer on the calling thread.
  static HTTPExchange performNow(const HTTPTransfer& transfer);

 private:
  HTTPSession();
  platform::DispatchQueuePtr queue_;
};
