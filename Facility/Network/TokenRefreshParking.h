// Where the HTTP client parks requests refused with 401 while a new access
// token is fetched. The app's scene delegate holds them and runs the refresh;
// the client finds it through the current session.
#pragma once

#include <functional>

#include "Facility/Network/APIRequest.h"
#include "Facility/Network/DataResponse.h"

class TokenRefreshParking {
 public:
  // A parked caller: handed the reply of the request when it is replayed.
  using ResponseHandler = std::function<void(const HTTPExchange&)>;

  virtual ~TokenRefreshParking() = default;
  // The reply to the token request arrived.
  virtual void tokenRequestFinished() = 0;
  // Parks the request with its caller and starts the refresh unless one runs.
  virtual void park(const APIRequestPtr& request, ResponseHandler handler) = 0;
  // The token itself was refused: sign out.
  virtual void clearSession() = 0;
};
