// The reply record each endpoint is decoded into when a parked request is
// sent again (the record its requester decodes).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Facility/Network/APIName.h"

class ReplayTable {
 public:
  // Name of the record; none for GetAccessToken, which is never parked.
  static std::optional<std::string_view> recordName(APIName::Case apiCase);
  // The reply decoded with the endpoint's record, as a one-line description;
  // none when it does not decode or the endpoint is not replayed.
  static std::optional<std::string> describeReply(APIName::Case apiCase, const std::string& body);
  // Console line written after the caller heard a replayed reply, or none.
  static std::optional<std::string> replyLogPrefix(APIName::Case apiCase);
};
