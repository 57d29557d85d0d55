#include "Analytics/Engine/APMSearchAdReporter.h"

#include <any>
#include <cmath>
#include <nlohmann/json.hpp>
#include <utility>

#include "Analytics/Engine/APMAlarm.h"
#include "Analytics/Engine/APMEnvironmentInfo.h"
#include "Analytics/Engine/APMScheduler.h"
#include "Analytics/Engine/Interface/APMAEU.h"
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Analytics/Engine/Monitor/APMMeasurementMonitor.h"
#include "Analytics/Engine/Monitor/APMMonitor.h"
#include "Analytics/Storage/APMPersistedConfig.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Runtime/ClassRegistry.h"
#include "Platform/Runtime/Deployment.h"

namespace {

APMMonitor& SearchAdLog() { return APMMeasurementMonitor(); }

// The decimal text of a number, a string as it is, else nothing.
std::string SearchAdIDText(const nlohmann::json& reply, const char* key) {
  auto it = reply.find(key);
  if (it == reply.end()) return {};
  if (it->is_string()) return it->get<std::string>();
  if (it->is_number_integer()) return it->is_number_unsigned() ? std::to_string(it->get<uint64_t>())
                                                                : std::to_string(it->get<int64_t>());
  if (it->is_number_float()) return it->dump();
  return {};
}

}  // namespace

std::shared_ptr<APMSearchAdReporter> APMSearchAdReporter::initWithWorkerQueue(
    std::shared_ptr<APMScheduler> workerQueue, std::shared_ptr<APMPersistedConfig> persistedConfig) {
  if (!workerQueue) {
    SearchAdLog().logWithLevel(2, 32000, "Cannot init Search Ad reporter. Queue must be provided");
    return nullptr;
  }
  if (!persistedConfig) {
    SearchAdLog().logWithLevel(2, 32001, "Cannot init Search Ad reporter. Persisted config must be provided");
    return nullptr;
  }
  if (persistedConfig->searchAdRetryCount() > kMaxRetryCount - 1) return nullptr;
  if (persistedConfig->searchAdCampaignValue()) {
    SearchAdLog().logWithLevel(7, 32002,
                               "Search Ad campaign attribution was already reported. Do not start Search Ad Reporter.");
    return nullptr;
  }
  return std::make_shared<APMSearchAdReporter>(PrivateTag{}, std::move(workerQueue), std::move(persistedConfig));
}

APMSearchAdReporter::APMSearchAdReporter(PrivateTag, std::shared_ptr<APMScheduler> workerQueue,
                                         std::shared_ptr<APMPersistedConfig> persistedConfig)
    : workerQueue_(std::move(workerQueue)),
      searchAdReporterAlarm_(std::make_shared<APMAlarm>(workerQueue_->workerQueue(), kAlarmName)),
      persistedConfig_(std::move(persistedConfig)),
      session_(platform::URLSession::shared()) {}

APMSearchAdReporter::~APMSearchAdReporter() { cancelScheduling(); }

std::optional<adservices::AAAttribution> APMSearchAdReporter::adClientInstance() {
  if (!APMEnvironmentInfo::systemVersionAtLeast(14, 3)) return std::nullopt;
  auto instance = platform::ClassRegistry::shared().instantiate(adservices::kAAAttributionClassName);
  if (!instance) return std::nullopt;
  const auto* attribution = std::any_cast<adservices::AAAttribution>(&*instance);
  if (attribution == nullptr) return std::nullopt;
  return *attribution;
}

void APMSearchAdReporter::start() {
  if (!adClientInstance()) {
    SearchAdLog().logWithLevel(7, 32014,
                               "AdServices framework is not linked. Search Ad Attribution Reporter is disabled.");
    return;
  }
  if (APMAEU::isNOD()) {
    SearchAdLog().logWithLevel(7, 32019, "Search Ad Attribution Reporter is disabled on the simulator");
    return;
  }
  scheduleSearchAdReport();
}

std::shared_ptr<APMAlarm> APMSearchAdReporter::alarm() const {
  std::lock_guard<std::mutex> lock(alarmMu_);
  return searchAdReporterAlarm_;
}

void APMSearchAdReporter::setURLSession(std::shared_ptr<platform::URLSession> session) {
  session_ = session ? std::move(session) : platform::URLSession::shared();
}

void APMSearchAdReporter::cancelScheduling() {
  std::shared_ptr<APMAlarm> dropped;
  {
    std::lock_guard<std::mutex> lock(alarmMu_);
    dropped = std::move(searchAdReporterAlarm_);
  }
  if (dropped) dropped->cancel();
}

void APMSearchAdReporter::scheduleSearchAdReport() {
  auto timer = alarm();
  if (!timer) {
    SearchAdLog().logWithLevel(5, 32013, "Search Ad Campaign attribution alarm is already canceled");
    return;
  }
  if (!isSearchAdReporterEnabled()) {
    timer->cancel();
    return;
  }
  if (persistedConfig_->searchAdCampaignValue()) {
    SearchAdLog().logWithLevel(
        7, 32004, "Search Ad report not scheduled. Search Ad campaign attribution was already reported.");
    cancelScheduling();
    return;
  }
  if (timer->hasActiveTimer()) {
    SearchAdLog().logWithLevel(5, 32005, "Search Ad Campaign attribution alarm is already scheduled");
    return;
  }
  if (persistedConfig_->searchAdRetryCount() >= kMaxRetryCount) {
    SearchAdLog().logWithLevel(
        5, 32007, "Search Ad Campaign attribution exceeds the max number of retries. Do not schedule again.");
    cancelScheduling();
    return;
  }
  SearchAdLog().logWithLevel(7, 32006, "Scheduling Search Ad Report timer");
  const double sinceLast = std::fabs(platform::Clock::nowSeconds() - persistedConfig_->lastSearchAdLookUpTimestamp());
  // A first attempt, or one more than a day after the last, is due at once.
  const double delay = std::max(0.0, kAttemptIntervalSeconds - sinceLast);
  std::weak_ptr<APMSearchAdReporter> weak = weak_from_this();
  timer->runAfterDelay(delay, [weak] {
    if (auto self = weak.lock()) self->maybeLogIAdCampaignEvent();
  });
}

void APMSearchAdReporter::maybeLogIAdCampaignEvent() {
  if (!adClientInstance()) return;
  persistedConfig_->setLastSearchAdLookUpTimestamp(platform::Clock::nowSeconds());
  fetchAttributionDetails();
  scheduleSearchAdReport();
}

void APMSearchAdReporter::fetchAttributionDetails() {
  // Counted before the request, so an attempt that never answers counts too.
  persistedConfig_->setSearchAdRetryCount(persistedConfig_->searchAdRetryCount() + 1);
  auto attribution = adClientInstance();
  if (!attribution || !attribution->attributionTokenWithError) return;
  auto token = attribution->attributionTokenWithError();
  if (!token.ok()) {
    SearchAdLog().logWithLevel(1, 32018, "Cannot send request for Search Ad campaign attribution. Error",
                               token.status().ToString());
    return;
  }
  if (!token->empty()) requestAttributionPayloadWithToken(*token);
}

void APMSearchAdReporter::requestAttributionPayloadWithToken(const std::string& token) {
  using platform::Deployment;
  platform::URLRequest request;
  request.method = "POST";
  request.url = "https://" + Deployment::searchAdsAttributionServiceHost() + kAttributionPath;
  request.headers = {{"cache-control", "no-cache"}, {"Content-Type", "text/plain"}};
  request.body = token;
  request.timeoutSeconds = kRequestTimeoutSeconds;
  if (auto certificates = Deployment::trustedCertificatesFile()) {
    request.extraTrustedCertificatesFile = *certificates;
    request.trustedHosts = {Deployment::measurementServiceHost(), Deployment::adsConversionServiceHost(),
                            Deployment::searchAdsAttributionServiceHost()};
  }
  std::weak_ptr<APMSearchAdReporter> weak = weak_from_this();
  auto scheduler = workerQueue_;
  session_->dataTaskWithRequest(
      std::move(request), [weak, scheduler](std::optional<platform::URLResponse> response, std::string body,
                                            std::optional<platform::Status> error) {
        // Only the hand-over here: the alarm and the stored values belong to the worker queue.
        scheduler->scheduleOnWorkerQueueBlockID(
            kReplyBlockID, [weak, response = std::move(response), body = std::move(body), error = std::move(error)] {
              if (auto self = weak.lock()) self->handleAttributionReply(response, body, error);
            });
      });
}

void APMSearchAdReporter::handleAttributionReply(const std::optional<platform::URLResponse>& response,
                                                 const std::string& body,
                                                 const std::optional<platform::Status>& error) {
  if ((error && !error->ok()) || !response) {
    SearchAdLog().logWithLevel(1, 32015, "Cannot send request for Search Ad campaign attribution. Error",
                               error ? error->ToString() : std::string("no response"));
    scheduleSearchAdReport();
    return;
  }
  // An error status is no answer, whatever its body says.
  if (response->statusCode != 200) {
    SearchAdLog().logWithLevel(1, 32015, "Cannot send request for Search Ad campaign attribution. Error",
                               "HTTP status " + std::to_string(response->statusCode));
    scheduleSearchAdReport();
    return;
  }
  const nlohmann::json reply = nlohmann::json::parse(body, nullptr, false);
  if (reply.is_discarded() || !reply.is_object()) {
    SearchAdLog().logWithLevel(1, 32017, "Search Ad Reporter failed to parse JSON data. Error",
                               reply.is_discarded() ? std::string("not JSON") : std::string("not a JSON object"));
    scheduleSearchAdReport();
    return;
  }
  if (reply.empty()) {
    scheduleSearchAdReport();
    return;
  }
  const std::string campaign = SearchAdIDText(reply, "campaignId");
  if (SearchAdIDText(reply, "adId") == kTestAnswerID && campaign == kTestAnswerID) {
    SearchAdLog().logWithLevel(7, 32016, "Search Ad Reporter returned test data. Will retry next time.");
    scheduleSearchAdReport();
    return;
  }
  auto attribution = reply.find("attribution");
  const bool attributed = attribution != reply.end() && attribution->is_boolean() && attribution->get<bool>();
  logCampaignEventWithSearchAdCampaign(attributed, campaign, SearchAdIDText(reply, "keywordId"));
  cancelScheduling();
}

void APMSearchAdReporter::logCampaignEventWithSearchAdCampaign(bool attribution, const std::string& campaign,
                                                               const std::string& term) {
  std::lock_guard<std::mutex> lock(campaignMu_);
  if (persistedConfig_->searchAdCampaignValue()) {
    SearchAdLog().logWithLevel(5, 32008, "Search Ad Campaign is already tracked");
    return;
  }
  // Any answer ends further attempts, whatever it says.
  persistedConfig_->setSearchAdCampaignValue(platform::Value(attribution));
  if (!attribution) return;
  APMParameterObjects parameters{{"source", platform::Value("Apple")}, {"medium", platform::Value("search")}};
  if (!campaign.empty()) parameters["campaign"] = platform::Value(campaign);
  if (!term.empty()) parameters["term"] = platform::Value(term);
  const int64_t firstOpenMillis = persistedConfig_->firstOpenTimestampMilliseconds();
  if (firstOpenMillis < 2) {
    SearchAdLog().logWithLevel(5, 32009, "Search Ad Campaign does not have click_timestamp.");
  } else {
    parameters["click_timestamp"] = platform::Value(firstOpenMillis - 1);
  }
  APMAnalytics::logInternalEventWithOrigin("auto", "_cmp", parameters);
}
