// What services and view models hand a reply to: the typed response, and the
// client's optional closure for a request that got no reply at all.
#pragma once

#include <functional>

#include "Facility/Network/APIManager.h"
#include "Facility/Network/DataResponse.h"

template <class R>
using ResponseCompletion = std::function<void(DataResponse<R>)>;

using NotDelivered = APIManager::NotDelivered;
