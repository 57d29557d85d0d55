#include "tools/demo/DemoService.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <thread>

namespace demo {

using nlohmann::json;

namespace {

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// The reply a mismatch or refusal gets, in the endpoint's own envelope.
json envelope(const std::string& endpoint, bool success, const std::string& message) {
  if (endpoint == "initApi") return json{{"isSuccess", success}, {"message", message}};
  return json{{"IsSuccess", success}, {"Message", message}};
}

DemoService::Reply jsonReply(int status, const json& body) { return DemoService::Reply(status, body.dump()); }

std::string queryOf(const std::string& target) {
  auto q = target.find('?');
  return q == std::string::npos ? std::string() : target.substr(q + 1);
}

}  // namespace

const std::vector<DemoService::Endpoint>& DemoService::endpoints() {
  static const std::vector<Endpoint> table = {
      {"FacilityAdminDashboard", "GET", "/api/FacilityAdmin/Dashboard", {"LocationId"}, {}, false},
      {"BaseAssignAccess", "GET", "/api/Tenant/BaseAssignAccess", {"id"}, {}, false},
      {"VerifySecurityCode", "POST", "/api/Security/VerifySecurityCode", {"SecurityCode"}, {}, true},
      {"GetAccessToken", "POST", "/api/Security/GetAccessToken", {"refresh_token", "device_type"}, {}, true},
      {"Logout", "GET", "/api/Security/Logout", {}, {}, false},
      {"SetPassword", "POST", "/api/Security/SetPassword", {"Username", "Password"}, {}, true},
      {"ForgotPassword", "POST", "/api/Security/ForgotPassword", {"EmailId"}, {}, true},
      {"ResetPassword", "POST", "/api/Security/ResetPassword", {"EmailId", "OTP", "password"}, {}, true},
      {"GetImage", "GET", "/api/Facility/GetImage", {}, {}, true},
      {"AuthenticateUser", "POST", "/api/Authenticate/AuthenticateUser", {"UserName", "Password"}, {}, true},
      {"BaseFacility", "GET", "/api/FacilityAdmin/BaseFacility", {}, {}, false},
      {"UserDashboard", "GET", "/api/User/Dashboard", {}, {}, false},
      {"BaseVisitor", "GET", "/api/User/BaseVisitor", {}, {}, false},
      {"InviteVisitor",
       "POST",
       "/api/User/InviteVisitor",
       {"FirstName", "LastName", "MobileNo", "EmailId", "VisitorCategory", "VisitorCompany", "PurposeVisit",
        "ExpectedDate", "ExpectedTime", "MeetingHours", "BuildingId", "StrTwoWheelerParkingList",
        "StrFourWheelerParkingList", "DefaultUp", "DefaultDown", "Location"},
       {"TwoWheelerParkingList", "FourWheelerParkingList"},
       false},
      {"AllotedFacility", "GET", "/api/Tenant/AllotedFacility", {}, {}, false},
      {"ManageFacility",
       "POST",
       "/api/Tenant/ManageFacility",
       {"PageNo", "SortOn", "SortDesc", "IsTagAssigned", "IsFloorAccess", "IsParkingAccess", "IsVisitorAssignAccess"},
       {},
       false},
      {"AssignAccess", "POST", "/api/Tenant/AssignAccess", {"EmployeeId", "StrBuildingList"},
       {"TwoWheelerParkingList", "FourWheelerParkingList"}, false},
      {"FindVehicleNumber", "POST", "/api/FindVehicle/FindVehicleNumber", {"VehicleNumber"}, {}, false},
      {"SendNotification",
       "POST",
       "/api/FindVehicle/SendNotification",
       {"TenantName", "EmpID", "EmpName", "PERSONTYPE", "EmailId", "MobileNo", "NotificationMessage", "VehicleNumber"},
       {},
       false},
      {"GetBroadCastNotification", "GET", "/api/Notification/GetBroadCastNotification", {}, {}, false},
      {"BroadCastNotificationCount", "GET", "/api/Notification/BroadCastNotificationCount", {}, {}, false},
      {"ComplainCount", "GET", "/api/Complain/ComplainCount", {}, {}, false},
      {"ComplainCategory", "POST", "/api/Complain/ComplainCategory", {"FTID"}, {}, false},
      {"ComplainSave", "POST", "/api/Complain/ComplainSave",
       {"FacilityTypeID", "ComplainMappingID", "VisitDate", "VisitTime", "Remark"}, {"StrImgupload"}, false},
      {"ComplainList", "POST", "/api/Complain/ComplainList", {}, {"MonthFilter", "StatusFilter", "ComplainFilter"},
       false},
      {"MyTaskCount", "GET", "/api/Complain/MyTaskCount", {}, {}, false},
      {"CloseComplainList", "POST", "/api/Complain/CloseComplainList", {"TaskStatus"},
       {"ComplainFilter", "MonthFilter"}, false},
      {"CloseComplainGet", "POST", "/api/Complain/CloseComplainGet", {"ID"}, {}, false},
      {"CloseComplainSave", "POST", "/api/Complain/CloseComplainSave",
       {"TenantID", "ID", "Remark", "FacilityType", "StrImgupload"}, {}, false},
      {"initApi", "POST", kKeyRequestPath, {"key"}, {}, true},
  };
  return table;
}

const DemoService::Endpoint* DemoService::endpointFor(const std::string& path) {
  for (const auto& endpoint : endpoints()) {
    if (endpoint.path == path) return &endpoint;
  }
  return nullptr;
}

json DemoService::parameters(const std::string& encoded) {
  json out = json::object();
  for (auto& [key, value] : testsupport::FacilityTestServer::parseForm(encoded)) {
    if (key.size() > 2 && key.compare(key.size() - 2, 2, "[]") == 0) {
      json& list = out[key.substr(0, key.size() - 2)];
      if (!list.is_array()) list = json::array();
      list.push_back(value);
    } else {
      out[key] = value;
    }
  }
  return out;
}

std::optional<std::string> DemoService::problem(const Endpoint& endpoint, const Request& request) {
  if (request.method != endpoint.method) return "method " + request.method + ", expected " + endpoint.method;
  json body;
  if (endpoint.name == "initApi") {
    body = json::parse(request.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) return std::string("body is not a JSON object");
  } else {
    const std::string query = queryOf(request.target);
    if (endpoint.method == "GET" && !request.body.empty()) return std::string("a GET with a body");
    body = parameters(endpoint.method == "GET" ? query : request.body);
    if (endpoint.method != "GET" && !query.empty()) return "a query on a " + endpoint.method + ": " + query;
  }
  for (const auto& key : endpoint.required) {
    if (!body.contains(key)) return "missing key \"" + key + "\"";
  }
  for (const auto& [key, value] : body.items()) {
    const bool known = std::find(endpoint.required.begin(), endpoint.required.end(), key) != endpoint.required.end() ||
                       std::find(endpoint.optional.begin(), endpoint.optional.end(), key) != endpoint.optional.end();
    if (!known) return "unknown key \"" + key + "\"";
  }
  if (endpoint.name == "initApi" && !body["key"].is_string()) return std::string("key is not text");
  return std::nullopt;
}

json DemoService::page(const json& list, long long pageNo) {
  json out = json::array();
  if (!list.is_array() || pageNo < 1) return out;
  const auto size = static_cast<long long>(list.size());
  if (pageNo > size / kPageSize + 1) return out;
  for (long long i = (pageNo - 1) * kPageSize; i < std::min(size, pageNo * kPageSize); ++i) out.push_back(list[i]);
  return out;
}

DemoService::DemoService(json fixture, std::function<void(const json&)> log)
    : fixture_(std::move(fixture)), log_(std::move(log)) {
  const json& accounts = fixture_.at("accounts");
  for (std::size_t i = 0; i < accounts.size(); ++i) {
    if (accounts[i].contains("password")) passwords_[i] = accounts[i]["password"].get<std::string>();
  }
}

void DemoService::setInvitationCode(long long empId, const std::string& code) {
  std::lock_guard<std::mutex> lock(mu_);
  const json& accounts = fixture_.at("accounts");
  for (std::size_t i = 0; i < accounts.size(); ++i) {
    if (accounts[i].at("empId").get<long long>() == empId) codes_[code] = i;
  }
}

std::vector<json> DemoService::savedComplaints() const {
  std::lock_guard<std::mutex> lock(mu_);
  return complaints_;
}

json DemoService::reply(const std::string& name) const {
  const json& replies = fixture_.at("replies");
  return replies.contains(name) ? replies[name] : envelope(name, true, "ok");
}

std::optional<std::size_t> DemoService::accountByEmail(const std::string& email) const {
  const json& accounts = fixture_.at("accounts");
  for (std::size_t i = 0; i < accounts.size(); ++i) {
    if (lowered(accounts[i].at("email").get<std::string>()) == lowered(email)) return i;
  }
  return std::nullopt;
}

std::optional<std::size_t> DemoService::bearerAccount(const Request& request) {
  const std::string header = request.header("Authorization").value_or("");
  const std::string prefix = "Bearer ";
  if (header.rfind(prefix, 0) != 0) return std::nullopt;
  auto it = accessTokens_.find(header.substr(prefix.size()));
  if (it == accessTokens_.end() || Clock::now() >= it->second.expires) return std::nullopt;
  return it->second.account;
}

json DemoService::issueTokens(std::size_t account) {
  const long long lifetime = reply("AuthenticateUser").value("TokenExpiredIn", 3600LL);
  ++issued_;
  const std::string access = "demo-access-" + std::to_string(account) + "-" + std::to_string(issued_);
  const std::string refresh = "demo-refresh-" + std::to_string(account) + "-" + std::to_string(issued_);
  accessTokens_[access] = Session{account, Clock::now() + std::chrono::seconds(lifetime)};
  refreshTokens_[refresh] = account;
  return json{{"AccessToken", access}, {"RefreshToken", refresh}, {"TokenExpiredIn", lifetime}};
}

DemoService::Reply DemoService::handle(const Request& request) {
  json entry{{"method", request.method}, {"path", request.path}, {"endpoint", nullptr}, {"mismatch", nullptr}};
  json body = json::parse(request.body, nullptr, false);
  if (body.is_discarded()) {
    body = request.body.empty() ? json(nullptr) : json(request.body);
    if (!request.body.empty() && request.body.find('=') != std::string::npos) body = parameters(request.body);
  }
  if (request.method == "GET") {
    const std::string query = queryOf(request.target);
    body = query.empty() ? json(nullptr) : parameters(query);
  }
  entry["body"] = body;
  const Endpoint* endpoint = endpointFor(request.path);
  Reply out;
  int status = 200;
  if (!endpoint) {
    const std::string message = std::string(kMismatchPrefix) + "no endpoint at " + request.path;
    entry["mismatch"] = "no endpoint at " + request.path;
    status = 404;
    out = jsonReply(status, envelope("", false, message));
  } else {
    entry["endpoint"] = endpoint->name;
    if (auto trouble = problem(*endpoint, request)) {
      entry["mismatch"] = *trouble;
      out = jsonReply(status, envelope(endpoint->name, false, kMismatchPrefix + *trouble));
    } else {
      // The verification's loader should be seen.
      if (endpoint->name == "VerifySecurityCode") std::this_thread::sleep_for(std::chrono::milliseconds(500));
      std::lock_guard<std::mutex> lock(mu_);
      out = answer(*endpoint, request, body, &status);
    }
  }
  if (out.status != status) out.status = status;
  entry["status"] = status;
  if (entry["mismatch"].is_string()) std::fprintf(stderr, "demo-world: unexpected request: %s %s: %s\n",
                                                  request.method.c_str(), request.path.c_str(),
                                                  entry["mismatch"].get<std::string>().c_str());
  if (log_) log_(entry);
  return out;
}

DemoService::Reply DemoService::answer(const Endpoint& endpoint, const Request& request, const json& body,
                                       int* status) {
  const std::string& name = endpoint.name;
  const json& accounts = fixture_.at("accounts");
  std::optional<std::size_t> account;
  if (!endpoint.open) {
    account = bearerAccount(request);
    if (!account) {
      *status = 401;
      return jsonReply(401, envelope(name, false, "Authorization has been denied for this request."));
    }
  }
  auto text = [&](const char* key) { return body.contains(key) && body[key].is_string() ? body[key].get<std::string>() : ""; };
  json out = reply(name);
  if (name == "initApi") {
    const std::string expected = reply("AuthenticateUser").value("ApiKey", "");
    if (text("key") != expected) return jsonReply(200, envelope(name, false, "Unknown API key"));
    return jsonReply(200, json{{"isSuccess", true}, {"message", "ok"}, {"key", fixture_.at("engineKey")}});
  }
  if (name == "VerifySecurityCode") {
    auto it = codes_.find(text("SecurityCode"));
    if (it == codes_.end()) return jsonReply(200, envelope(name, false, "The invitation code is not valid."));
    const json& who = accounts[it->second];
    out["Username"] = who.at("email");
    out["EmailId"] = who.at("email");
    out["IsPasswordSet"] = passwords_.count(it->second) != 0;
    return jsonReply(200, out);
  }
  if (name == "AuthenticateUser") {
    auto who = accountByEmail(text("UserName"));
    if (!who || passwords_.count(*who) == 0 || passwords_[*who] != text("Password"))
      return jsonReply(200, envelope(name, false, "The user name or password is incorrect."));
    const json& a = accounts[*who];
    out.update(issueTokens(*who));
    out["EmpId"] = a.at("empId");
    out["LoginType"] = a.at("loginType");
    out.erase("TenantAdmin");
    out.erase("FacilityAdmin");
    if (a.at("role") == "tenantAdmin") out["TenantAdmin"] = "True";
    if (a.at("role") == "facilityAdmin") out["FacilityAdmin"] = "True";
    return jsonReply(200, out);
  }
  if (name == "GetAccessToken") {
    auto it = refreshTokens_.find(text("refresh_token"));
    if (it == refreshTokens_.end()) return jsonReply(200, envelope(name, false, "The refresh token is not valid."));
    const std::size_t who = it->second;
    refreshTokens_.erase(it);
    json tokens = issueTokens(who);
    out.update(tokens);
    // The refresher reads these two beside the envelope.
    out["IsSuccess"] = true;
    out["access_token"] = tokens["AccessToken"];
    out["refresh_token"] = tokens["RefreshToken"];
    return jsonReply(200, out);
  }
  if (name == "SetPassword" || name == "ResetPassword") {
    auto who = accountByEmail(text(name == "SetPassword" ? "Username" : "EmailId"));
    if (!who) return jsonReply(200, envelope(name, false, "No account with that name."));
    passwords_[*who] = text(name == "SetPassword" ? "Password" : "password");
    return jsonReply(200, out);
  }
  if (name == "ForgotPassword") {
    if (!accountByEmail(text("EmailId"))) return jsonReply(200, envelope(name, false, "No account with that e-mail."));
    return jsonReply(200, out);
  }
  if (name == "Logout") {
    const std::string header = request.header("Authorization").value_or("");
    accessTokens_.erase(header.substr(std::string("Bearer ").size()));
    return jsonReply(200, out);
  }
  if (name == "UserDashboard") {
    out["Name"] = accounts[*account].at("name");
    out["TagId"] = accounts[*account].at("tagId");
    return jsonReply(200, out);
  }
  if (name == "BaseVisitor") {
    out["TagId"] = accounts[*account].at("tagId");
    return jsonReply(200, out);
  }
  if (name == "ManageFacility") {
    const json list = out.value("EmployeeList", json::array());
    long long pageNo = 1;
    try {
      pageNo = std::stoll(text("PageNo"));
    } catch (const std::exception&) {
      pageNo = 0;
    }
    out["EmployeeList"] = page(list, pageNo);
    out["TotalRecords"] = std::to_string(list.size());
    return jsonReply(200, out);
  }
  if (name == "ComplainSave") {
    json saved = body;
    saved["ID"] = std::to_string(1000 + complaints_.size() + 1);
    saved["Status"] = "Open";
    saved["TenantId"] = fixture_.at("tenantId");
    saved["EmpId"] = accounts[*account].at("empId");
    complaints_.push_back(std::move(saved));
    return jsonReply(200, out);
  }
  if (name == "ComplainCount") {
    long long open = 0;
    for (const auto& c : complaints_) open += c.value("Status", "") == "Open" ? 1 : 0;
    out["ComplainCount"] = open;
    return jsonReply(200, out);
  }
  if (name == "ComplainList") {
    json list = out.value("lstComplainList", json::array());
    const json categories = reply("ComplainCategory").value("lstComplainCategory", json::array());
    for (const auto& c : complaints_) {
      std::string type;
      for (const auto& category : categories) {
        if (std::to_string(category.value("ID", 0LL)) == c.value("ComplainMappingID", "")) type = category.value("Name", "");
      }
      list.push_back(json{{"ID", c.value("ID", "")},
                          {"Status", c.value("Status", "")},
                          {"ComplainFor", c.value("FacilityTypeID", "")},
                          {"TypeOfComplain", type},
                          {"Description", c.value("Remark", "")},
                          {"VisitDate", c.value("VisitDate", "")}});
    }
    out["lstComplainList"] = list;
    return jsonReply(200, out);
  }
  return jsonReply(200, out);
}

}  // namespace demo
