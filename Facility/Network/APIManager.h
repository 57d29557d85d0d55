// The app's HTTP client. A service hands it an APIRequest and a completion
// for one reply record; the client checks reachability, sends the request
// with the common headers, logs the exchange, parks 401 replies for the
// token refresh and delivers every other reply decoded, on the main loop.
//
// For every request exactly one of the two callbacks runs, once, on the main
// loop: the completion whenever a reply came back (decoded or failed), or
// notDelivered (after the "Sorry" alert) when the request was refused
// offline or the transport failed without a reply. A parked request's
// completion runs when the refresh replays it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Facility/Network/APIRequest.h"
#include "Facility/Network/DataResponse.h"
#include "Facility/Network/TokenRefreshParking.h"
#include "Facility/Widgets/AAction.h"
#include "Facility/Widgets/AlertPresenter.h"

class APIManager {
 public:
  using Headers = std::vector<std::pair<std::string, std::string>>;
  using ExchangeHandler = TokenRefreshParking::ResponseHandler;
  using NotDelivered = std::function<void()>;
  using RequestHandle = std::uint64_t;

  static constexpr const char* kOfflineMessage =
      "No internet connection available, Please connect to internet to proceed";

  static APIManager& shared();

  template <wire::WireRecord R>
  static std::optional<RequestHandle> sendIfReachable(const APIRequestPtr& request,
                                                      std::function<void(DataResponse<R>)> completion,
                                                      NotDelivered notDelivered = nullptr) {
    return sendIfReachableExchange(
        request,
        [completion = std::move(completion)](const HTTPExchange& exchange) {
          if (completion) completion(DataResponse<R>::decode(exchange));
        },
        std::move(notDelivered));
  }

  // The same for callers that decode themselves.
  static std::optional<RequestHandle> sendIfReachableExchange(const APIRequestPtr& request, ExchangeHandler completion,
                                                              NotDelivered notDelivered = nullptr);
  // Sends without the reachability check; completion gets the exchange in a
  // later main-loop turn after it is logged. Used by the replay of parked
  // requests too.
  RequestHandle request(const APIRequestPtr& request, ExchangeHandler completion);

  static Headers headers();
  // Builds what goes over the wire for a request (URL, headers, body).
  struct Prepared {
    std::string url;
    Headers sessionHeaders;  // Accept and Authorization, as the log shows them
    Headers headers;
    std::optional<std::string> body;
  };
  static Prepared prepare(const APIRequest& request);

  static void validateThenComplete(const HTTPExchange& exchange, const APIRequestPtr& request,
                                   const ExchangeHandler& completion, const NotDelivered& notDelivered);
  // True when the reply goes to the caller now.
  static bool validateResponse(const HTTPExchange& exchange, const ExchangeHandler& completion,
                               const APIRequestPtr& request);
  // Logs the exchange block (with the session's headers) and the raw reply.
  static void logExchange(const HTTPExchange& exchange, const APIRequest& request, const std::string& url,
                          const Headers& sessionHeaders);

 private:
  APIManager() = default;
  RequestHandle next_ = 1;
};

// The common "Sorry" alert for a failed reply: the given message, else the
// failure's description; on the given screen, else the top screen; nothing
// when there is none.
void showResponseErrorAlert(uikit::ViewControllerPtr on, std::optional<std::string> message,
                            std::vector<AAction> actions, AlertPresenter::Handler handler,
                            const std::optional<AFError>& error);

template <class R>
void showResponseErrorAlert(uikit::ViewControllerPtr on, std::optional<std::string> message,
                            std::vector<AAction> actions, AlertPresenter::Handler handler,
                            const DataResponse<R>& response) {
  showResponseErrorAlert(std::move(on), std::move(message), std::move(actions), std::move(handler), response.error);
}
