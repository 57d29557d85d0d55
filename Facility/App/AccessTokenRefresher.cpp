#include "Facility/App/AccessTokenRefresher.h"

#include <cctype>

#include "Facility/Network/APIManager.h"
#include "Facility/Storage/CoreDataManager.h"
#include "Facility/Services/GlobalService.h"
#include "Facility/Storage/LocalStorage.h"
#include "Facility/Network/NetworkReachability.h"
#include "Facility/Network/ReplayTable.h"
#include "Facility/Storage/UserDefaultsKey.h"
#include "Facility/Services/ViewModelLoader.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/Utf8.h"

namespace {

bool hasText(const std::optional<std::string>& s) { return s && !platform::Utf8::isBlank(*s); }

}  // namespace

AccessTokenRefresher& AccessTokenRefresher::shared() {
  static AccessTokenRefresher* refresher = new AccessTokenRefresher();
  return *refresher;
}

std::shared_ptr<SceneDelegate> AccessTokenRefresher::currentDelegate() { return LocalStorage::currentSceneDelegate(); }

std::optional<std::int64_t> AccessTokenRefresher::currentEmployee() {
  return UserDefaultsAccess::getInt(UserDefaultsKey::empId);
}

AccessTokenRefresher::State& AccessTokenRefresher::stateFor(const std::shared_ptr<SceneDelegate>& delegate) {
  // Held weakly: a later delegate at the same address must start afresh.
  if (state_.owner.expired() || state_.owner.lock() != delegate) state_ = State{delegate, 0};
  return state_;
}

void AccessTokenRefresher::refreshAccessToken(SceneDelegate& delegate, const APIRequestPtr& request) {
  (void)delegate;  // the flag lives on the scene delegate in charge now
  auto current = currentDelegate();
  if (!current || current->isAccessTokenApiRunning) return;
  auto record = current->currentLoginEntity();
  if (!record || !hasText(record->refreshtoken)) {
    platform::LogWarning("No refresh token: the request stays parked");
    return;
  }
  stateFor(current);
  current->isAccessTokenApiRunning = true;
  std::weak_ptr<APIRequest> start = request;
  auto employee = currentEmployee();
  ViewModelLoader::show();
  std::weak_ptr<SceneDelegate> weakDelegate = current;
  GlobalService().requestGetAccessToken(
      *record->refreshtoken, kDeviceType,
      [start, employee](DataResponse<MDLGetAccessToken> response) {
        ViewModelLoader::hide();
        AccessTokenRefresher::shared().handleAccessTokenResponse(response, start, employee);
      },
      // Refused offline or no reply at all: the next 401 may try again.
      [weakDelegate] {
        if (auto d = weakDelegate.lock()) d->isAccessTokenApiRunning = false;
      });
}

void AccessTokenRefresher::handleAccessTokenResponse(const DataResponse<MDLGetAccessToken>& response,
                                                     const std::weak_ptr<APIRequest>& start,
                                                     std::optional<std::int64_t> employee) {
  ViewModelLoader::hide();
  auto delegate = currentDelegate();
  if (!delegate) return;
  delegate->isAccessTokenApiRunning = false;
  if (currentEmployee() != employee) {
    platform::LogWarning("Token reply of an earlier sign-in dropped");
    return;
  }
  State& state = stateFor(delegate);
  if (!response.value) {
    showResponseErrorAlert(nullptr, std::nullopt, {AAction::Ok}, nullptr, response);
    return;
  }
  const MDLGetAccessToken& reply = *response.value;
  const double now = platform::Clock::nowSeconds();
  if (reply.isSuccess.value_or(false) && hasText(reply.access_token)) {
    state.lastAccepted = now;
    if (auto record = delegate->currentLoginEntity()) {
      record->accesstoken = reply.access_token;
      if (hasText(reply.refresh_token)) record->refreshtoken = reply.refresh_token;
      CoreDataManager::shared().mainManagedObjectContext().saveChanges();
    }
    if (!start.expired()) replayPendingRequests();
    return;
  }
  if (now - state.lastAccepted > kFailureToleranceSeconds) {
    platform::LogWarning("Access token could not be refreshed: signing out");
    delegate->clearSession();
    return;
  }
  if (!start.expired()) replayPendingRequests();
}

void AccessTokenRefresher::replayPendingRequests() {
  auto delegate = currentDelegate();
  if (!delegate) return;
  auto requests = delegate->arrApiRequests;
  auto handlers = delegate->arrResponseHandlers;
  for (std::size_t i = 0; i < requests.size(); ++i) {
    platform::LogInfo("apinname: " + requests[i]->apiName.urlString());
    replayRequest(requests[i], i < handlers.size() ? handlers[i] : nullptr);
  }
  delegate->arrApiRequests.clear();
  delegate->arrResponseHandlers.clear();
  platform::LogInfo("request array is: []");
  platform::LogInfo("----");
}

void AccessTokenRefresher::replayRequest(const APIRequestPtr& request, SceneDelegate::ResponseHandler handler) {
  auto again = APIRequest::make(request->apiName, request->method, request->params, request->encodingType);
  if (!NetworkReachability::shared().isNetworkReachable) {
    // Refused with the client's alert; the caller hears nothing.
    APIManager::sendIfReachableExchange(again, nullptr);
    return;
  }
  auto employee = currentEmployee();
  APIManager::shared().request(again, [again, handler, employee](const HTTPExchange& exchange) {
    auto delegate = currentDelegate();
    if (!delegate || currentEmployee() != employee) {
      platform::LogWarning("Replayed reply of an earlier sign-in dropped");
      return;
    }
    if (exchange.response && exchange.response->statusCode == 401) {
      // Refused again with a token that was just refreshed or kept: the
      // session is over, the request is not parked a second time.
      platform::LogWarning("Replayed request refused again: signing out");
      delegate->clearSession();
      return;
    }
    const auto apiCase = again->apiName.apiCase();
    auto deliver = [handler, apiCase](const HTTPExchange& e) {
      if (handler) handler(e);
      if (auto prefix = ReplayTable::replyLogPrefix(apiCase)) {
        platform::LogInfo(*prefix + ReplayTable::describeReply(apiCase, e.data).value_or("nil"));
      }
    };
    APIManager::validateThenComplete(exchange, again, deliver, nullptr);
  });
}
