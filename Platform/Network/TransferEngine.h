// Runs HTTP transfers side by side over libcurl's multi interface: one thread
// drives every transfer of the engine, connections (and resolved names) are
// kept and reused between transfers, each transfer has its own time limit,
// and proxy variables of the environment are never used for the loopback.
//
// Each completion runs exactly once on the engine thread, in the order the
// transfers finish; it should only hand the outcome over (to a queue or the
// run loop). Transfers cancelled, or still running when the engine shuts
// down, complete with kCancelled. Do not shut an engine down from one of its
// own completions.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct TransferRequest {
  // "GET" and "HEAD" as such, "POST" with a body as a plain POST; any other
  // method (or a bodiless POST) is sent as a custom method.
  std::string method = "GET";
  std::string url;  // http or https only
  // Header lines as libcurl takes them ("Name: value", "Name;" for an empty
  // value, "Name:" to drop a default). Line breaks inside a line are dropped
  // so a value can never end the header block or add headers of its own.
  std::vector<std::string> headerLines;
  std::optional<std::string> body;
  double timeoutSeconds = 60.0;
  // While running, the transfer keeps the manual clock's drivers from
  // reporting the process idle (as a busy queue would).
  bool countsAsPendingWork = false;

  // Server certificates are always verified (chain and name). A PEM file
  // named here is trusted besides the system's roots, but only when the URL
  // addresses one of trustedHosts ("host" or "host:port", a port only
  // matching that port); other hosts see the system's roots alone.
  std::string extraTrustedCertificatesFile;
  std::vector<std::string> trustedHosts;
  // A reply body longer than this ends the transfer with an error and no
  // response; 0 puts no cap on it.
  std::uint64_t maxResponseBodyBytes = 0;
  // A host under the reserved ".invalid" domain fails at once, without a
  // name lookup (start() completes it on the calling thread and returns 0).
  bool refuseInvalidDomain = false;
};

enum class TransferError { kNone, kTimedOut, kCouldNotConnect, kUnsupportedURL, kCancelled, kOther };

struct TransferResult {
  TransferError error = TransferError::kNone;
  // libcurl's text for the error code, and the more specific detail of the
  // transfer (the code's text when libcurl gave none); empty without error.
  std::string errorText;
  std::string errorDetail;
  long status = 0;  // 0 when no HTTP response came
  // The reply's Content-Length, -1 when it gave none.
  std::int64_t expectedContentLength = -1;
  // Header fields of the final response in order, names as sent, values
  // without surrounding white space.
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
};

class TransferEngine {
 public:
  using Completion = std::function<void(TransferResult)>;
  using TransferID = std::uint64_t;

  // The process's engine, shared by every client; never shut down.
  static TransferEngine& shared();

  TransferEngine();
  // Shuts down (see shutdown()).
  ~TransferEngine();
  TransferEngine(const TransferEngine&) = delete;
  TransferEngine& operator=(const TransferEngine&) = delete;

  // Starts a transfer; safe from any thread, including completions. After
  // shutdown the completion runs at once on the calling thread, cancelled
  // (as does a refused ".invalid" host, with kOther), and 0 is returned.
  TransferID start(TransferRequest request, Completion completion);
  // Completes the transfer with kCancelled if it has not finished yet.
  void cancel(TransferID id);
  // Cancels every transfer still running, then stops the engine thread.
  void shutdown();

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace platform
