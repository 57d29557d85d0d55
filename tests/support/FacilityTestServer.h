// A stand-in for the facility web service in tests: an HTTP server on
// 127.0.0.1 (ephemeral port) that answers scripted replies per path and
// records every request it gets. A path may have a list of replies: they
// answer its requests in order of arrival, the last one repeating. Bodies are read through content readers,
// so large form bodies (photo uploads) arrive whole.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
}

namespace testsupport {

class FacilityTestServer {
 public:
  struct Reply {
    Reply(int status = 200, std::string body = "", std::string contentType = "application/json")
        : status(status), body(std::move(body)), contentType(std::move(contentType)) {}
    int status;
    std::string body;
    std::string contentType;
    std::map<std::string, std::string> headers;
  };

  struct RecordedRequest {
    std::string method;
    std::string path;    // without the query
    std::string target;  // path and query as sent
    std::multimap<std::string, std::string> headers;  // names as sent
    std::string body;
    // The header's value by name (any case); none when absent.
    std::optional<std::string> header(const std::string& name) const;
    // Decoded form pairs of the body, in order.
    std::vector<std::pair<std::string, std::string>> form() const;
    // Decoded query pairs of the target, in order.
    std::vector<std::pair<std::string, std::string>> query() const;
  };

  FacilityTestServer();
  ~FacilityTestServer();
  FacilityTestServer(const FacilityTestServer&) = delete;
  FacilityTestServer& operator=(const FacilityTestServer&) = delete;

  // Binds an ephemeral port on 127.0.0.1 and serves on a thread of its own.
  bool start();
  void stop();
  int port() const { return port_; }
  // "http://127.0.0.1:<port>"
  std::string baseURL() const;

  // Reply for a path (any method); the method-specific reply wins.
  void setReply(const std::string& path, Reply reply);
  void setReply(const std::string& method, const std::string& path, Reply reply);
  // Replies for a path taken in turn, the last repeating; the list starts
  // over from its first reply. An empty list removes the script.
  void setReplies(const std::string& path, std::vector<Reply> replies);
  void setReplies(const std::string& method, const std::string& path, std::vector<Reply> replies);
  void setJsonReply(const std::string& path, const std::string& json, int status = 200);
  // Replies for paths without a script (default 404, empty body).
  void setDefaultReply(Reply reply);
  // A handler computes the reply from the request and whatever state it
  // keeps; it wins over scripted replies for its path (the method-specific
  // one first). It runs on the server's worker threads, side by side for
  // requests that arrive together, after the request is recorded and any
  // hold or delay; it guards its own state.
  using Handler = std::function<Reply(const RecordedRequest&)>;
  void setHandler(const std::string& path, Handler handler);
  void setHandler(const std::string& method, const std::string& path, Handler handler);
  // For requests that neither a handler nor a script answers.
  void setDefaultHandler(Handler handler);
  // Requests to the path are recorded at once but answered only after
  // releaseReply(path) (or stop()); for tests of transfers side by side and
  // of a server that stays silent.
  void holdReply(const std::string& path);
  void releaseReply(const std::string& path);
  // Requests to the path arriving from now on are answered at once; those
  // already held keep waiting for releaseReply(path). Lets a test answer a
  // newer request before an older one.
  void stopHoldingNewReplies(const std::string& path);
  // Every reply to the path waits this long (real time) before it is sent.
  void setReplyDelay(const std::string& path, double seconds);

  std::vector<RecordedRequest> requests() const;
  std::size_t requestCount() const;
  // Waits (real time) until at least n requests arrived.
  bool waitForRequests(std::size_t n, double seconds) const;
  void clearRequests();

  static std::string percentDecode(const std::string& text);
  static std::vector<std::pair<std::string, std::string>> parseForm(const std::string& text);

 private:
  struct Script {
    std::vector<Reply> replies;
    std::size_t next = 0;
  };
  // The next reply for the request; call with mu_ held.
  Reply takeReply(const std::string& method, const std::string& path);
  // The handler answering the request, if any; call with mu_ held.
  Handler handlerFor(const std::string& method, const std::string& path) const;
  void script(const std::string& key, std::vector<Reply> replies);
  void closeAcceptedConnections();
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
  int listenSocket_ = -1;
  mutable std::mutex mu_;
  mutable std::condition_variable cv_;
  std::map<std::string, Script> replies_;  // by "METHOD path", " path" for any method
  std::map<std::string, Handler> handlers_;  // keyed like replies_
  Handler defaultHandler_;
  std::set<std::string> held_;
  std::map<std::string, std::uint64_t> releases_;  // releaseReply calls per path
  std::map<std::string, double> delays_;
  bool stopping_ = false;
  Reply default_;
  std::vector<RecordedRequest> requests_;
};

}  // namespace testsupport
