#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "Platform/Foundation/DispatchQueue.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/TemporaryDataRoot.h"
#include "Platform/QuorvaneCore/QRVApp.h"
#include "Platform/QuorvaneCore/QRVInstallations.h"
#include "Platform/TrivandelUtilities/TVUGzip.h"
#include "Platform/TrivandelUtilities/TVUMutableDictionary.h"
#include "Platform/TrivandelUtilities/TVUNetwork.h"

namespace {

using platform::Bytes;

class LocalServer {
 public:
  LocalServer() {
    server_.Post("/a", [](const httplib::Request& request, httplib::Response& response) {
      response.status = 204;
      response.set_header("ETag", "v1");
      (void)request;
    });
    server_.Get("/config", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("payload", "application/octet-stream");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~LocalServer() {
    server_.stop();
    thread_.join();
  }
  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

TEST(VendorNetworkTest, CompletionRunsOnceOnTheGivenQueue) {
  LocalServer server;
  auto queue = platform::DispatchQueue::create("network-test");
  std::atomic<int> calls{0};
  std::optional<platform::TVUHTTPResponse> seen;
  Bytes body;
  {
    platform::TVUNetwork network("127.0.0.1");
    std::string session = network.postURL(server.url("/a"), {{"Content-Type", "application/octet-stream"}},
                                          Bytes{1, 2, 3}, queue, false,
                                          [&](std::optional<platform::TVUHTTPResponse> response, Bytes, auto error) {
                                            EXPECT_TRUE(queue->isCurrent());
                                            EXPECT_FALSE(error);
                                            seen = response;
                                            calls++;
                                          });
    EXPECT_FALSE(session.empty());
    network.getURL(server.url("/config"), {}, queue, false,
                   [&](std::optional<platform::TVUHTTPResponse> response, Bytes received, auto) {
                     ASSERT_TRUE(response.has_value());
                     EXPECT_EQ(response->statusCode, platform::kTVUNetworkHTTPStatusOK);
                     body = received;
                     calls++;
                   });
  }  // waits for both requests
  queue->sync([] {});
  EXPECT_EQ(calls.load(), 2);
  ASSERT_TRUE(seen);
  EXPECT_EQ(seen->statusCode, platform::kTVUNetworkHTTPStatusNoContent);
  EXPECT_EQ(seen->headers["etag"], "v1");
  EXPECT_EQ(std::string(body.begin(), body.end()), "payload");
}

TEST(VendorNetworkTest, UnstartableAndRefusedRequestsStillCompleteOnce) {
  auto queue = platform::DispatchQueue::create("network-test");
  std::atomic<int> calls{0};
  std::atomic<bool> sawError{false};
  int closedPort = 0;
  {
    httplib::Server probe;
    closedPort = probe.bind_to_any_port("127.0.0.1");
  }
  {
    platform::TVUNetwork network("127.0.0.1");
    network.setTimeoutInterval(2);
    EXPECT_EQ(network.postURL("not a url", Bytes{}, queue, false,
                              [&](auto response, Bytes, auto error) {
                                EXPECT_FALSE(response);
                                sawError = error.has_value();
                                calls++;
                              }),
              "");
    network.getURL("http://127.0.0.1:" + std::to_string(closedPort) + "/x", {}, queue, false,
                   [&](auto response, Bytes, auto error) {
                     EXPECT_FALSE(response);
                     EXPECT_TRUE(error);
                     calls++;
                   });
  }
  queue->sync([] {});
  EXPECT_EQ(calls.load(), 2);
  EXPECT_TRUE(sawError.load());
}

TEST(VendorServicesTest, GzipRoundTripAndCap) {
  Bytes data(100000, 'a');
  auto packed = platform::TVUGzip::tvu_dataByGzippingData(data);
  ASSERT_TRUE(packed.ok());
  EXPECT_LT(packed->size(), data.size());
  auto unpacked = platform::TVUGzip::tvu_dataByInflatingGzippedData(*packed);
  ASSERT_TRUE(unpacked.ok());
  EXPECT_EQ(*unpacked, data);
  EXPECT_FALSE(platform::TVUGzip::tvu_dataByInflatingGzippedData(*packed, 1000).ok());
  EXPECT_FALSE(platform::TVUGzip::tvu_dataByInflatingGzippedData(Bytes{1, 2, 3}).ok());
}

TEST(VendorServicesTest, MutableDictionaryUnderConcurrentWriters) {
  platform::TVUMutableDictionary dictionary;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 500; ++i) dictionary.setObject(platform::Value(i), "k" + std::to_string(t * 1000 + i));
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(dictionary.dictionary().size(), 2000u);
  dictionary.setObject(platform::Value(), "k0");
  EXPECT_FALSE(dictionary.objectForKeyedSubscript("k0"));
  dictionary.removeAllObjects();
  EXPECT_TRUE(dictionary.dictionary().empty());
}

TEST(VendorServicesTest, CoreAndInstallations) {
  platform::TemporaryDataRoot root;
  EXPECT_STREQ(platform::kQRVLoggerAnalytics, "<VurAvizivozora>");
  EXPECT_FALSE(platform::QRVQuorvaneVersion().empty());
  platform::QRVApp::registerInternalLibrary("quorvane-analytics", "10.17.0");
  EXPECT_EQ(platform::QRVApp::registeredLibraries().back().name, "quorvane-analytics");
  std::optional<std::string> first;
  platform::QRVInstallations::installations().installationIDWithCompletion(
      [&](std::optional<std::string> id, auto error) {
        EXPECT_FALSE(error);
        first = id;
      });
  ASSERT_TRUE(first);
  EXPECT_EQ(first->size(), 22u);
  std::optional<std::string> again;
  platform::QRVInstallations::installations().installationIDWithCompletion([&](auto id, auto) { again = id; });
  EXPECT_EQ(again, first);
  int notified = 0;
  auto token = platform::NotificationCenter::defaultCenter().addObserver(
      platform::QRVInstallationIDDidChangeNotification, [&](const platform::Notification&) { notified++; });
  platform::QRVInstallations::installations().resetInstallationID();
  platform::NotificationCenter::defaultCenter().removeObserver(token);
  EXPECT_EQ(notified, 1);
  platform::QRVInstallations::installations().installationIDWithCompletion([&](auto id, auto) { again = id; });
  EXPECT_NE(again, first);
}

}  // namespace
