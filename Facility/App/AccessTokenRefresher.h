// The access-token refresh and the replay of requests parked on a 401.
//
// The scene delegate keeps the parked requests and their callers; this class
// runs one refresh at a time with the stored refresh token, stores the new
// tokens and sends the parked requests again in the order of their 401.
// A failed refresh more than 30 s after the last accepted one (or the first
// one after launch) signs the user out; a failure within that window replays
// with the old token once, and a replayed request answered 401 again signs
// out. Replies that arrive after the signed-in employee changed are dropped.
// Main loop only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "Facility/Network/APIRequest.h"
#include "Facility/Network/DataResponse.h"
#include "Facility/Models/MDLGetAccessToken.h"
#include "Facility/App/SceneDelegate.h"

class AccessTokenRefresher {
 public:
  static constexpr double kFailureToleranceSeconds = 30.0;
  static constexpr const char* kDeviceType = "ios";

  static AccessTokenRefresher& shared();

  // Starts a refresh for the parked request, unless one is under way or
  // there is no refresh token (the request then waits for the next one).
  void refreshAccessToken(SceneDelegate& delegate, const APIRequestPtr& request);
  void handleAccessTokenResponse(const DataResponse<MDLGetAccessToken>& response, const std::weak_ptr<APIRequest>& start,
                                 std::optional<std::int64_t> employee);
  // Sends every parked request again and empties the queue.
  void replayPendingRequests();
  void replayRequest(const APIRequestPtr& request, SceneDelegate::ResponseHandler handler);

  // Wall time (seconds since 1970) of the last accepted refresh; 0 before the
  // first one of this scene delegate.
  double lastApiCallTime() { return stateFor(currentDelegate()).lastAccepted; }
  // After a sign-out the next user's first failed refresh is treated as the
  // first after launch: the previous user's accepted refresh grants no grace.
  void forgetAcceptedRefresh() { state_.lastAccepted = 0; }

 private:
  struct State {
    std::weak_ptr<SceneDelegate> owner;
    double lastAccepted = 0;
  };
  AccessTokenRefresher() = default;
  static std::shared_ptr<SceneDelegate> currentDelegate();
  static std::optional<std::int64_t> currentEmployee();
  // The state of this scene delegate; a new delegate starts afresh.
  State& stateFor(const std::shared_ptr<SceneDelegate>& delegate);
  State state_;
};
