// The facade's opened URLs and user activities, the app-delegate proxy and
// the payment queue's transactions.
#include "Analytics/Engine/APMMeasurement.h"
#include "Analytics/Engine/Interface/APMAnalytics.h"
#include "Analytics/Engine/Interface/APMAnalyticsState.h"
#include "Analytics/Engine/Interface/APMAppDelegateInterceptor.h"
#include "Analytics/Storage/Purchases/APMInAppPurchaseTransactionReporter.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/StoreKit/SKPaymentQueue.h"
#include "Platform/TrivandelUtilities/TVUAppDelegateSwizzler.h"
#include "Platform/TrivandelUtilities/TVUNetwork.h"

void APMAnalytics::handleOpenURL(const std::string& url) {
  double timestamp = platform::Clock::nowSeconds();
  dispatchAsyncOnSerialQueue([url, timestamp] {
    if (std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance()) {
      engine->handleNonFirstOpenEventURL(url, timestamp);
    }
    OpenURLListener listener;
    {
      State& shared = state();
      std::lock_guard<std::mutex> lock(shared.mu);
      listener = shared.openURLListener;
    }
    if (listener) listener(url);
  });
}

void APMAnalytics::handleUserActivity(const platform::UserActivity& activity) {
  double timestamp = platform::Clock::nowSeconds();
  dispatchAsyncOnSerialQueue([activity, timestamp] {
    std::optional<std::string> url = APMMeasurement::deepLinkFromUserActivity(activity);
    if (!url || url->empty()) return;
    if (std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance()) {
      engine->handleNonFirstOpenEventURL(*url, timestamp);
    }
  });
}

void APMAnalytics::setOpenURLListener(OpenURLListener listener) {
  dispatchAsyncOnSerialQueue([listener = std::move(listener)]() mutable {
    State& shared = state();
    std::lock_guard<std::mutex> lock(shared.mu);
    shared.openURLListener = std::move(listener);
  });
}

void APMAnalytics::handleEventsForBackgroundURLSession(const std::string& identifier,
                                                       const std::function<void()>& completionHandler) {
  platform::TVUNetwork::handleEventsForBackgroundURLSessionID(identifier, completionHandler);
}

void APMAnalytics::createAppDelegateProxy() {
  if (state().appDelegateProxyCreated.exchange(true)) return;
  platform::TVUAppDelegateSwizzler::proxyOriginalDelegate();
  platform::TVUAppDelegateSwizzler::registerAppDelegateInterceptor(APMAppDelegateInterceptor::sharedInstance());
}

void APMAnalytics::paymentQueueUpdatedTransactions(storekit::SKPaymentQueue& queue,
                                                   const std::vector<storekit::SKPaymentTransactionPtr>& transactions) {
  handleUpdatedTransactions(queue, transactions);
}

void APMAnalytics::handleUpdatedTransactions(storekit::SKPaymentQueue& queue,
                                             const std::vector<storekit::SKPaymentTransactionPtr>& transactions) {
  storekit::SKPaymentQueue* paymentQueue = &queue;
  queueOperationWithBlock([paymentQueue, transactions] {
    std::shared_ptr<APMMeasurement> engine = APMMeasurement::sharedInstance();
    if (!engine || !isAnalyticsEnabled()) return;
    engine->filterPurchaseTransactions(transactions, [paymentQueue](APMMeasurement::PaymentTransactions filtered) {
      APMInAppPurchaseTransactionReporter::sharedInstance()->paymentQueueUpdatedFilteredTransactions(*paymentQueue,
                                                                                                    filtered);
    });
  });
}
