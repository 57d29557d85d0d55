#include "tests/support/FacilityTestServer.h"

#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <filesystem>

namespace testsupport {

namespace {
std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}
}  // namespace

std::optional<std::string> FacilityTestServer::RecordedRequest::header(const std::string& name) const {
  for (const auto& [k, v] : headers) {
    if (lower(k) == lower(name)) return v;
  }
  return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> FacilityTestServer::RecordedRequest::form() const {
  return parseForm(body);
}

std::vector<std::pair<std::string, std::string>> FacilityTestServer::RecordedRequest::query() const {
  auto q = target.find('?');
  return q == std::string::npos ? std::vector<std::pair<std::string, std::string>>{} : parseForm(target.substr(q + 1));
}

FacilityTestServer::FacilityTestServer() : server_(std::make_unique<httplib::Server>()) {
  // Enough workers for many transfers side by side, each holding its
  // connection open between requests.
  server_->new_task_queue = [] { return new httplib::ThreadPool(64); };
  // Clients keep their connections for reuse; stop() waits for each idle one
  // to time out on the server side, so keep that wait short.
  server_->set_keep_alive_timeout(1);
  // Headers and body go out as separate writes; without this each reply on a
  // reused connection waits for the client's delayed acknowledgement.
  server_->set_tcp_nodelay(true);
  // Many transfers side by side: keep their connections for many requests,
  // and remember the listening socket so start() can lengthen its backlog
  // (the library's 5 drops a burst of connects, which then retry a second
  // later).
  server_->set_keep_alive_max_count(1000);
  server_->set_socket_options([this](int sock) {
    httplib::default_socket_options(sock);
    listenSocket_ = sock;
  });
  default_.status = 404;
  default_.body = "";
  auto record = [this](const httplib::Request& req, httplib::Response& res, const std::string& body) {
    RecordedRequest r;
    r.method = req.method;
    r.path = req.path;
    r.target = req.target;
    for (const auto& [k, v] : req.headers) {
      if (k == "REMOTE_ADDR" || k == "REMOTE_PORT" || k == "LOCAL_ADDR" || k == "LOCAL_PORT") continue;
      r.headers.emplace(k, v);
    }
    r.body = body;
    Reply reply;
    Handler handler;
    std::optional<RecordedRequest> handled;
    double delay = 0;
    {
      std::unique_lock<std::mutex> lock(mu_);
      handler = handlerFor(req.method, req.path);
      // Taken with the recording, so a list's replies follow the recorded
      // order of requests that arrive side by side.
      if (handler) {
        handled = r;
      } else {
        reply = takeReply(req.method, req.path);
      }
      requests_.push_back(std::move(r));
      cv_.notify_all();
      if (held_.count(req.path) != 0) {
        const std::uint64_t release = releases_[req.path];
        cv_.wait(lock, [&] { return stopping_ || releases_[req.path] != release; });
      }
      if (auto it = delays_.find(req.path); it != delays_.end()) delay = it->second;
    }
    if (delay > 0) std::this_thread::sleep_for(std::chrono::duration<double>(delay));
    if (handler) reply = handler(*handled);
    res.status = reply.status;
    for (const auto& [k, v] : reply.headers) res.set_header(k, v);
    res.set_content(reply.body, reply.contentType);
  };
  auto withReader = [record](const httplib::Request& req, httplib::Response& res,
                             const httplib::ContentReader& reader) {
    std::string body;
    reader([&](const char* data, size_t length) {
      body.append(data, length);
      return true;
    });
    record(req, res, body);
  };
  auto plain = [record](const httplib::Request& req, httplib::Response& res) { record(req, res, req.body); };
  server_->Get(".*", plain);
  server_->Post(".*", withReader);
  server_->Put(".*", withReader);
  server_->Patch(".*", withReader);
  server_->Delete(".*", withReader);
}

FacilityTestServer::~FacilityTestServer() { stop(); }

bool FacilityTestServer::start() {
  {
    // A restarted double holds replies again.
    std::lock_guard<std::mutex> lock(mu_);
    stopping_ = false;
  }
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) return false;
  if (listenSocket_ >= 0) ::listen(listenSocket_, 256);
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // This cpp-httplib has no wait_until_ready(): poll until listening.
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void FacilityTestServer::stop() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stopping_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) {
    server_->stop();
    closeAcceptedConnections();
    thread_.join();
  }
}

// The library's workers hold a client's idle connection until its keep-alive
// time runs out (a second at least), and stopping joins them: a test would
// wait that second for every server it stops. Shutting the accepted sockets
// down wakes each worker at once. They are the process's sockets whose local
// port is ours (a client's socket to us has it as its peer port).
void FacilityTestServer::closeAcceptedConnections() {
  if (port_ <= 0) return;
  const std::filesystem::path fds("/proc/self/fd");
  std::error_code ec;
  for (std::filesystem::directory_iterator it(fds, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    int fd = -1;
    if (std::from_chars(name.data(), name.data() + name.size(), fd).ec != std::errc() || fd == listenSocket_) continue;
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0 || local.sin_family != AF_INET) continue;
    if (ntohs(local.sin_port) == port_) ::shutdown(fd, SHUT_RDWR);
  }
}

std::string FacilityTestServer::baseURL() const { return "http://127.0.0.1:" + std::to_string(port_); }

void FacilityTestServer::setReply(const std::string& path, Reply reply) {
  script(" " + path, {std::move(reply)});
}

void FacilityTestServer::setReply(const std::string& method, const std::string& path, Reply reply) {
  script(method + " " + path, {std::move(reply)});
}

void FacilityTestServer::setReplies(const std::string& path, std::vector<Reply> replies) {
  script(" " + path, std::move(replies));
}

void FacilityTestServer::setReplies(const std::string& method, const std::string& path, std::vector<Reply> replies) {
  script(method + " " + path, std::move(replies));
}

void FacilityTestServer::script(const std::string& key, std::vector<Reply> replies) {
  std::lock_guard<std::mutex> lock(mu_);
  if (replies.empty()) {
    replies_.erase(key);
  } else {
    replies_[key] = Script{std::move(replies), 0};
  }
}

void FacilityTestServer::setJsonReply(const std::string& path, const std::string& json, int status) {
  Reply r;
  r.status = status;
  r.body = json;
  setReply(path, std::move(r));
}

void FacilityTestServer::setDefaultReply(Reply reply) {
  std::lock_guard<std::mutex> lock(mu_);
  default_ = std::move(reply);
}

void FacilityTestServer::setHandler(const std::string& path, Handler handler) {
  std::lock_guard<std::mutex> lock(mu_);
  handlers_[" " + path] = std::move(handler);
}

void FacilityTestServer::setHandler(const std::string& method, const std::string& path, Handler handler) {
  std::lock_guard<std::mutex> lock(mu_);
  handlers_[method + " " + path] = std::move(handler);
}

void FacilityTestServer::setDefaultHandler(Handler handler) {
  std::lock_guard<std::mutex> lock(mu_);
  defaultHandler_ = std::move(handler);
}

FacilityTestServer::Handler FacilityTestServer::handlerFor(const std::string& method, const std::string& path) const {
  for (const std::string& key : {method + " " + path, " " + path}) {
    if (auto it = handlers_.find(key); it != handlers_.end() && it->second) return it->second;
  }
  // A scripted path keeps its script; only the unanswered fall through.
  if (replies_.count(method + " " + path) != 0 || replies_.count(" " + path) != 0) return nullptr;
  return defaultHandler_;
}

void FacilityTestServer::holdReply(const std::string& path) {
  std::lock_guard<std::mutex> lock(mu_);
  held_.insert(path);
}

void FacilityTestServer::releaseReply(const std::string& path) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    held_.erase(path);
    ++releases_[path];
  }
  cv_.notify_all();
}

void FacilityTestServer::stopHoldingNewReplies(const std::string& path) {
  std::lock_guard<std::mutex> lock(mu_);
  held_.erase(path);
}

void FacilityTestServer::setReplyDelay(const std::string& path, double seconds) {
  std::lock_guard<std::mutex> lock(mu_);
  delays_[path] = seconds;
}

FacilityTestServer::Reply FacilityTestServer::takeReply(const std::string& method, const std::string& path) {
  auto it = replies_.find(method + " " + path);
  if (it == replies_.end()) it = replies_.find(" " + path);
  if (it == replies_.end()) return default_;
  Script& script = it->second;
  const Reply& reply = script.replies[script.next];
  if (script.next + 1 < script.replies.size()) ++script.next;
  return reply;
}

std::vector<FacilityTestServer::RecordedRequest> FacilityTestServer::requests() const {
  std::lock_guard<std::mutex> lock(mu_);
  return requests_;
}

std::size_t FacilityTestServer::requestCount() const {
  std::lock_guard<std::mutex> lock(mu_);
  return requests_.size();
}

bool FacilityTestServer::waitForRequests(std::size_t n, double seconds) const {
  std::unique_lock<std::mutex> lock(mu_);
  return cv_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return requests_.size() >= n; });
}

void FacilityTestServer::clearRequests() {
  std::lock_guard<std::mutex> lock(mu_);
  requests_.clear();
}

std::string FacilityTestServer::percentDecode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else if (text[i] == '+') {
      out.push_back(' ');
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> FacilityTestServer::parseForm(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('&', start);
    if (end == std::string::npos) end = text.size();
    std::string pair = text.substr(start, end - start);
    auto eq = pair.find('=');
    if (!pair.empty()) {
      out.emplace_back(percentDecode(pair.substr(0, eq)), eq == std::string::npos ? "" : percentDecode(pair.substr(eq + 1)));
    }
    start = end + 1;
  }
  return out;
}

}  // namespace testsupport
