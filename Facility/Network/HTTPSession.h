// The transfers of the web client, run side by side on the shared transfer
// engine; every outcome is handed to the main run loop in arrival order.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Facility/Network/DataResponse.h"

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

 private:
  HTTPSession() = default;
};
