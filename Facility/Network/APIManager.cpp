#include "Facility/Network/APIManager.h"

#include <cctype>

#include "Facility/Network/ExchangeLog.h"
#include "Facility/Network/HTTPSession.h"
#include "Facility/Storage/LocalStorage.h"
#include "Facility/Storage/SessionActions.h"
#include "Facility/Network/NetworkReachability.h"
#include "Facility/Network/URLEncoding.h"
#include "Facility/Widgets/AppLoader.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/RunLoop.h"
#include "Platform/Foundation/Utf8.h"

namespace {

void showSorry(std::optional<std::string> message) {
  if (auto top = LocalStorage::topViewControllerOfSceneWindow()) {
    AlertPresenter::showAlert(*top, "Sorry", std::move(message), uikit::AlertControllerStyle::kAlert, {AAction::Ok});
  }
}

}  // namespace

APIManager& APIManager::shared() {
  static APIManager* manager = new APIManager();
  return *manager;
}

std::optional<APIManager::RequestHandle> APIManager::sendIfReachableExchange(const APIRequestPtr& request,
                                                                             ExchangeHandler completion,
                                                                             NotDelivered notDelivered) {
  if (!NetworkReachability::shared().isNetworkReachable) {
    AppLoader::shared().hide();
    showSorry(kOfflineMessage);
    if (notDelivered) platform::RunLoop::main().async(std::move(notDelivered));
    return std::nullopt;
  }
  return shared().request(request, [request, completion = std::move(completion),
                                    notDelivered = std::move(notDelivered)](const HTTPExchange& exchange) {
    validateThenComplete(exchange, request, completion, notDelivered);
  });
}

APIManager::Headers APIManager::headers() {
  std::string authorization;
  if (auto session = LocalStorage::currentSession()) {
    if (auto record = session->currentLoginEntity()) {
      if (record->accesstoken && !platform::Utf8::isBlank(*record->accesstoken)) authorization = "Bearer " + *record->accesstoken;
    }
  }
  return {{"Accept", "application/json"}, {"Authorization", authorization}};
}

APIManager::Prepared APIManager::prepare(const APIRequest& request) {
  Prepared out;
  out.url = request.apiName.urlString();
  out.sessionHeaders = headers();
  out.headers = out.sessionHeaders;
  bool inQuery = request.encodingType == RequestType::queryString ||
                 (request.encodingType == RequestType::default_ &&
                  (request.method == HTTPMethod::GET || request.method == HTTPMethod::HEAD ||
                   request.method == HTTPMethod::DELETE));
  if (request.params) {
    std::string query = URLEncoding::query(*request.params);
    if (inQuery) {
      if (!query.empty()) out.url += (out.url.find('?') == std::string::npos ? "?" : "&") + query;
    } else {
      out.headers.emplace_back("Content-Type", "application/x-www-form-urlencoded; charset=utf-8");
      out.body = std::move(query);
    }
  }
  return out;
}

APIManager::RequestHandle APIManager::request(const APIRequestPtr& request, ExchangeHandler completion) {
  Prepared prepared = prepare(*request);
  HTTPTransfer transfer;
  transfer.method = httpMethodName(request->method);
  transfer.url = prepared.url;
  transfer.headers = prepared.headers;
  transfer.body = std::move(prepared.body);
  HTTPSession::shared().perform(std::move(transfer), [request, url = std::move(prepared.url),
                                                      logged = std::move(prepared.sessionHeaders),
                                                      completion = std::move(completion)](HTTPExchange exchange) {
    AppLoader::shared().hide();
    logExchange(exchange, *request, url, logged);
    // The caller hears the reply in a later turn than the log.
    platform::RunLoop::main().async([completion, exchange = std::move(exchange)] {
      if (completion) completion(exchange);
    });
  });
  return next_++;
}

void APIManager::logExchange(const HTTPExchange& exchange, const APIRequest& request, const std::string& url,
                             const Headers& sessionHeaders) {
  // The reply is parsed and masked once for both blocks.
  const std::string error = exchange.transportError.value_or("unknown error");
  const std::string masked = exchange.response ? ExchangeLog::maskedReply(exchange.data) : std::string();
  const std::string described = exchange.response ? "[Status]: " + std::to_string(exchange.response->statusCode) +
                                                        " [Body]: " + masked
                                                  : "failure(sessionTaskFailed: " + error + ")";
  platform::LogInfo(ExchangeLog::exchangeBlock(httpMethodName(request.method), url,
                                               exchange.response ? exchange.response->statusCode : 0, request.params,
                                               sessionHeaders, described));
  platform::LogInfo(ExchangeLog::rawBlock(url, exchange.response ? "success(" + masked + ")" : "failure(" + error + ")"));
}

void APIManager::validateThenComplete(const HTTPExchange& exchange, const APIRequestPtr& request,
                                      const ExchangeHandler& completion, const NotDelivered& notDelivered) {
  AppLoader::shared().hide();
  if (validateResponse(exchange, completion, request)) {
    if (completion) completion(exchange);
  } else if (!exchange.response && notDelivered) {
    notDelivered();
  }
}

bool APIManager::validateResponse(const HTTPExchange& exchange, const ExchangeHandler& completion,
                                  const APIRequestPtr& request) {
  auto delegate = std::dynamic_pointer_cast<TokenRefreshParking>(LocalStorage::currentSession());
  const auto apiCase = request->apiName.apiCase();
  if (apiCase == APIName::Case::GetAccessToken && delegate) delegate->tokenRequestFinished();
  if (exchange.response) {
    if (exchange.response->statusCode != 401) return true;
    if (apiCase != APIName::Case::GetAccessToken && apiCase != APIName::Case::Logout) {
      if (delegate) delegate->park(request, completion);
      return false;
    }
    if (delegate) delegate->clearSession();
    return false;
  }
  if (exchange.transportError) showSorry(*exchange.transportError);
  return false;
}

void showResponseErrorAlert(uikit::ViewControllerPtr on, std::optional<std::string> message,
                            std::vector<AAction> actions, AlertPresenter::Handler handler,
                            const std::optional<AFError>& error) {
  auto target = on ? on : LocalStorage::topViewControllerOfSceneWindow();
  if (!target) return;
  if (!message && error) message = error->localizedDescription;
  AlertPresenter::showAlert(*target, "Sorry", std::move(message), uikit::AlertControllerStyle::kAlert,
                            std::move(actions), std::move(handler));
}
