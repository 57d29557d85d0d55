// A stand-in for the measurement service in tests: cpp-httplib's TLS server
// on 127.0.0.1 (ephemeral port) with a certificate made at start, answering
// uploads (POST "/a"), configuration fetches (GET "/config/app/<app ID>")
// experiment fetches (POST "/sdk-exp"), conversion-value fetches (POST
// "/skan"), deferred deep-link fetches (GET
// "/pagead/conversion/app/deeplink") and on-device conversion queries (GET
// "/psm") with scripted replies, recording every request and reading each upload
// body as a batch (MeasurementBatchReader).
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/MeasurementBatchReader.h"

namespace httplib {
class SSLServer;
}

namespace testsupport {

class TestCertificate;

class MeasurementCollector {
 public:
  // kUnexpected: any other method or path, recorded and answered 404.
  enum class Route { kUpload, kConfig, kExperiments, kConversionValue, kDeepLink, kOnDeviceConversion, kUnexpected };

  struct Reply {
    int status = 204;
    std::string body;
    std::map<std::string, std::string> headers;
    // Answered only after releaseHeld() (or stop()).
    bool hold = false;
    // Real-time wait before the reply goes out.
    double delaySeconds = 0;
    // Sent chunked, without a Content-Length.
    bool chunked = false;
  };

  struct Request {
    Route route = Route::kUpload;
    std::string method;
    std::string target;  // path and query as sent
    std::string appId;   // configuration fetches: the path's last part
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
    std::optional<DecodedBatch> batch;  // uploads that read as a batch
    std::string batchError;             // why an upload did not
  };

  MeasurementCollector();
  ~MeasurementCollector();
  MeasurementCollector(const MeasurementCollector&) = delete;
  MeasurementCollector& operator=(const MeasurementCollector&) = delete;

  // Makes the certificate, writes it to a file of its own and serves on a
  // thread; false when any of it failed.
  bool start();
  void stop();
  int port() const { return port_; }
  std::string hostAndPort() const;  // "127.0.0.1:<port>"
  std::string baseURL() const;      // "https://127.0.0.1:<port>"
  // The server's certificate as PEM, to trust it.
  const std::string& certificateFile() const { return certificateFile_; }

  // Replies taken in turn per route; when none is queued the route's default
  // answers (uploads 204, configuration 404, the others 204, empty bodies).
  void queueReply(Route route, Reply reply);
  void setDefaultReply(Route route, Reply reply);
  void releaseHeld();

  std::vector<Request> requests() const;
  std::vector<Request> requests(Route route) const;
  // Batches of the uploads that read, in arrival order.
  std::vector<DecodedBatch> batches() const;
  // Waits (real time) until at least n requests arrived.
  bool waitForRequests(std::size_t n, double seconds) const;

 private:
  std::unique_ptr<TestCertificate> certificate_;
  std::unique_ptr<httplib::SSLServer> server_;
  std::thread thread_;
  int port_ = 0;
  std::string directory_;
  std::string certificateFile_;
  mutable std::mutex mu_;
  mutable std::condition_variable cv_;
  std::map<Route, std::deque<Reply>> queued_;
  std::map<Route, Reply> defaults_;
  std::vector<Request> requests_;
  bool stopping_ = false;
  std::uint64_t releases_ = 0;
};

}  // namespace testsupport
