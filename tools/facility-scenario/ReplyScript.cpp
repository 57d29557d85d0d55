#include "ReplyScript.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

using nlohmann::json;

platform::Status ReplyScript::load(const json& replies, testsupport::FacilityTestServer& server) {
  if (!replies.is_array()) return platform::Status::InvalidArgument("replies must be a list");
  // In file order per method and path; the method-less lists answer any method.
  std::map<std::pair<std::string, std::string>, std::vector<testsupport::FacilityTestServer::Reply>> lists;
  for (const json& entry : replies) {
    if (!entry.is_object()) return platform::Status::InvalidArgument("each reply must be an object");
    for (const auto& [field, value] : entry.items()) {
      if (field != "method" && field != "path" && field != "status" && field != "body")
        return platform::Status::InvalidArgument("unknown reply field \"" + field + "\"");
    }
    if (!entry.contains("path") || !entry["path"].is_string() || entry["path"].get<std::string>().empty() ||
        entry["path"].get<std::string>()[0] != '/')
      return platform::Status::InvalidArgument("each reply needs a path starting with /");
    std::string method;
    if (entry.contains("method")) {
      if (!entry["method"].is_string() || entry["method"].get<std::string>().empty())
        return platform::Status::InvalidArgument("method must be text");
      method = entry["method"].get<std::string>();
    }
    int status = 200;
    if (entry.contains("status")) {
      const json& code = entry["status"];
      if (!code.is_number_integer() || code.get<std::int64_t>() < 100 || code.get<std::int64_t>() > 599)
        return platform::Status::InvalidArgument("status must be an HTTP status from 100 to 599");
      status = entry["status"].get<int>();
    }
    std::string body;
    if (entry.contains("body")) body = entry["body"].is_string() ? entry["body"].get<std::string>() : entry["body"].dump();
    lists[{method, entry["path"].get<std::string>()}].emplace_back(status, std::move(body));
  }
  for (auto& [key, list] : lists) {
    if (key.first.empty()) {
      server.setReplies(key.second, std::move(list));
    } else {
      server.setReplies(key.first, key.second, std::move(list));
    }
  }
  return platform::Status::OK();
}
