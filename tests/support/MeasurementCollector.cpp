#include "tests/support/MeasurementCollector.h"

#include <httplib.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>

#include "tests/support/TestCertificate.h"

namespace testsupport {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

}  // namespace

MeasurementCollector::MeasurementCollector() {
  defaults_[Route::kUpload] = Reply{};
  Reply notFound;
  notFound.status = 404;
  defaults_[Route::kConfig] = notFound;
  defaults_[Route::kExperiments] = Reply{};
  defaults_[Route::kConversionValue] = Reply{};
  defaults_[Route::kDeepLink] = Reply{};
  defaults_[Route::kOnDeviceConversion] = Reply{};
  defaults_[Route::kUnexpected] = notFound;
}

MeasurementCollector::~MeasurementCollector() {
  stop();
  if (!directory_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
}

bool MeasurementCollector::start() {
  certificate_ = std::make_unique<TestCertificate>();
  if (!certificate_->valid()) return false;
  std::string pattern = (std::filesystem::temp_directory_path() / "collector-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return false;
  directory_ = pattern;
  certificateFile_ = directory_ + "/collector.pem";
  if (!certificate_->writeCertificatePEM(certificateFile_)) return false;

  server_ = std::make_unique<httplib::SSLServer>(certificate_->certificate(), certificate_->key());
  if (!server_->is_valid()) return false;
  server_->new_task_queue = [] { return new httplib::ThreadPool(16); };
  server_->set_keep_alive_timeout(1);
  server_->set_tcp_nodelay(true);

  auto handle = [this](Route route, const httplib::Request& req, httplib::Response& res) {
    Request request;
    request.route = route;
    request.method = req.method;
    request.target = req.target;
    if (route == Route::kConfig) {
      const std::string prefix = "/config/app/";
      request.appId = req.path.size() > prefix.size() ? req.path.substr(prefix.size()) : "";
    }
    for (const auto& [name, value] : req.headers) {
      if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT") continue;
      request.headers[Lower(name)] = value;
    }
    request.body = req.body;
    if (route == Route::kUpload) request.batch = MeasurementBatchReader::read(req.body, &request.batchError);

    Reply reply;
    {
      std::unique_lock<std::mutex> lock(mu_);
      auto& queue = queued_[route];
      if (queue.empty()) {
        reply = defaults_[route];
      } else {
        reply = std::move(queue.front());
        queue.pop_front();
      }
      requests_.push_back(std::move(request));
      cv_.notify_all();
      if (reply.hold) {
        const std::uint64_t seen = releases_;
        cv_.wait(lock, [&] { return stopping_ || releases_ != seen; });
      }
    }
    if (reply.delaySeconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(reply.delaySeconds));
    res.status = reply.status;
    for (const auto& [name, value] : reply.headers) res.set_header(name, value);
    if (reply.chunked) {
      auto body = std::make_shared<std::string>(std::move(reply.body));
      res.set_chunked_content_provider("application/octet-stream",
                                       [body](size_t offset, httplib::DataSink& sink) {
                                         if (offset >= body->size()) {
                                           sink.done();
                                           return true;
                                         }
                                         const size_t length = std::min<size_t>(65536, body->size() - offset);
                                         return sink.write(body->data() + offset, length);
                                       });
    } else if (!reply.body.empty()) {
      res.set_content(reply.body, "application/octet-stream");
    }
  };
  server_->Post("/a", [handle](const httplib::Request& req, httplib::Response& res) {
    handle(Route::kUpload, req, res);
  });
  server_->Get(R"(/config/app/.*)", [handle](const httplib::Request& req, httplib::Response& res) {
    handle(Route::kConfig, req, res);
  });
  server_->Post("/sdk-exp", [handle](const httplib::Request& req, httplib::Response& res) {
    handle(Route::kExperiments, req, res);
  });
  server_->Post("/skan", [handle](const httplib::Request& req, httplib::Response& res) {
    handle(Route::kConversionValue, req, res);
  });
  server_->Get("/pagead/conversion/app/deeplink", [handle](const httplib::Request& req, httplib::Response& res) {
    handle(Route::kDeepLink, req, res);
  });
  server_->Get("/psm", [handle](const httplib::Request& req, httplib::Response& res) {
    handle(Route::kOnDeviceConversion, req, res);
  });
  // Registered last, so only what no route above matched lands here.
  auto unexpected = [handle](const httplib::Request& req, httplib::Response& res) {
    handle(Route::kUnexpected, req, res);
  };
  server_->Get(".*", unexpected);
  server_->Post(".*", unexpected);
  server_->Put(".*", unexpected);
  server_->Delete(".*", unexpected);
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) return false;
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void MeasurementCollector::stop() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stopping_ = true;
    cv_.notify_all();
  }
  if (server_) server_->stop();
  if (thread_.joinable()) thread_.join();
}

std::string MeasurementCollector::hostAndPort() const { return "127.0.0.1:" + std::to_string(port_); }

std::string MeasurementCollector::baseURL() const { return "https://" + hostAndPort(); }

void MeasurementCollector::queueReply(Route route, Reply reply) {
  std::lock_guard<std::mutex> lock(mu_);
  queued_[route].push_back(std::move(reply));
}

void MeasurementCollector::setDefaultReply(Route route, Reply reply) {
  std::lock_guard<std::mutex> lock(mu_);
  defaults_[route] = std::move(reply);
}

void MeasurementCollector::releaseHeld() {
  std::lock_guard<std::mutex> lock(mu_);
  ++releases_;
  cv_.notify_all();
}

std::vector<MeasurementCollector::Request> MeasurementCollector::requests() const {
  std::lock_guard<std::mutex> lock(mu_);
  return requests_;
}

std::vector<MeasurementCollector::Request> MeasurementCollector::requests(Route route) const {
  std::vector<Request> out;
  for (auto& request : requests()) {
    if (request.route == route) out.push_back(std::move(request));
  }
  return out;
}

std::vector<DecodedBatch> MeasurementCollector::batches() const {
  std::vector<DecodedBatch> out;
  for (auto& request : requests(Route::kUpload)) {
    if (request.batch) out.push_back(std::move(*request.batch));
  }
  return out;
}

bool MeasurementCollector::waitForRequests(std::size_t n, double seconds) const {
  std::unique_lock<std::mutex> lock(mu_);
  return cv_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return requests_.size() >= n; });
}

}  // namespace testsupport
