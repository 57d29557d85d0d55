// One web call: endpoint, method, parameters and where they travel. Shared:
// the client, its closures and the queue of parked requests hold the same
// instance.
#pragma once

#include <memory>
#include <optional>

#include "Facility/Network/APIName.h"
#include "Facility/Network/HTTPMethod.h"
#include "Facility/Network/RequestType.h"
#include "Platform/Foundation/Value.h"

class APIRequest {
 public:
  APIRequest(APIName apiName, HTTPMethod method, std::optional<platform::Value::Dictionary> params,
             RequestType encodingType)
      : apiName(std::move(apiName)), method(method), params(std::move(params)), encodingType(encodingType) {}

  static std::shared_ptr<APIRequest> make(APIName apiName, HTTPMethod method,
                                          std::optional<platform::Value::Dictionary> params = std::nullopt,
                                          RequestType encodingType = RequestType::httpBody) {
    return std::make_shared<APIRequest>(std::move(apiName), method, std::move(params), encodingType);
  }

  APIName apiName;
  HTTPMethod method;
  std::optional<platform::Value::Dictionary> params;
  RequestType encodingType;
};

using APIRequestPtr = std::shared_ptr<APIRequest>;
