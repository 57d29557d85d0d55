// Errors as values. A Status is ok, or a code with a message; Result<T> is a
// value or a Status. Nothing here throws.
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace platform {

class Status {
 public:
  enum class Code {
    kOk = 0,
    kNotFound,
    kCorruption,
    kInvalidArgument,
    kIOError,
    kNotSupported,
    kAlreadyExists,
    kTimedOut,
    kCancelled,
    kFailedPrecondition,
    kInternal,
    kResourceExhausted,
  };

  Status() = default;
  static Status OK() { return Status(); }
  static Status NotFound(std::string msg) { return Status(Code::kNotFound, std::move(msg)); }
  static Status Corruption(std::string msg) { return Status(Code::kCorruption, std::move(msg)); }
  static Status InvalidArgument(std::string msg) { return Status(Code::kInvalidArgument, std::move(msg)); }
  static Status IOError(std::string msg) { return Status(Code::kIOError, std::move(msg)); }
  static Status NotSupported(std::string msg) { return Status(Code::kNotSupported, std::move(msg)); }
  static Status AlreadyExists(std::string msg) { return Status(Code::kAlreadyExists, std::move(msg)); }
  static Status TimedOut(std::string msg) { return Status(Code::kTimedOut, std::move(msg)); }
  static Status Cancelled(std::string msg) { return Status(Code::kCancelled, std::move(msg)); }
  static Status FailedPrecondition(std::string msg) { return Status(Code::kFailedPrecondition, std::move(msg)); }
  static Status Internal(std::string msg) { return Status(Code::kInternal, std::move(msg)); }
  // Memory or another resource ran short; trying again later may succeed.
  static Status ResourceExhausted(std::string msg) { return Status(Code::kResourceExhausted, std::move(msg)); }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }
  bool IsNotFound() const { return code_ == Code::kNotFound; }
  bool IsCorruption() const { return code_ == Code::kCorruption; }
  bool IsInvalidArgument() const { return code_ == Code::kInvalidArgument; }
  bool IsIOError() const { return code_ == Code::kIOError; }

  // "NotFound: no such item", or "OK".
  std::string ToString() const;

  friend bool operator==(const Status& a, const Status& b) {
    return a.code_ == b.code_ && a.message_ == b.message_;
  }

 private:
  Status(Code code, std::string msg) : code_(code), message_(std::move(msg)) {}
  Code code_ = Code::kOk;
  std::string message_;
};

const char* StatusCodeName(Status::Code code);

inline std::string Status::ToString() const {
  if (ok()) return "OK";
  return std::string(StatusCodeName(code_)) + ": " + message_;
}

inline const char* StatusCodeName(Status::Code code) {
  switch (code) {
    case Status::Code::kOk: return "OK";
    case Status::Code::kNotFound: return "NotFound";
    case Status::Code::kCorruption: return "Corruption";
    case Status::Code::kInvalidArgument: return "InvalidArgument";
    case Status::Code::kIOError: return "IOError";
    case Status::Code::kNotSupported: return "NotSupported";
    case Status::Code::kAlreadyExists: return "AlreadyExists";
    case Status::Code::kTimedOut: return "TimedOut";
    case Status::Code::kCancelled: return "Cancelled";
    case Status::Code::kFailedPrecondition: return "FailedPrecondition";
    case Status::Code::kInternal: return "Internal";
    case Status::Code::kResourceExhausted: return "ResourceExhausted";
  }
  return "Unknown";
}

// A value or the Status that explains its absence.
template <typename T>
class Result {
 public:
  Result(T value) : state_(std::move(value)) {}  // NOLINT: implicit by design
  Result(Status status) : state_(std::move(status)) {  // NOLINT
    assert(!std::get<Status>(state_).ok() && "Result needs a value or an error");
  }

  bool ok() const { return std::holds_alternative<T>(state_); }
  explicit operator bool() const { return ok(); }

  const T& value() const& { return std::get<T>(state_); }
  T& value() & { return std::get<T>(state_); }
  T&& value() && { return std::get<T>(std::move(state_)); }
  const T& operator*() const& { return value(); }
  T& operator*() & { return value(); }
  const T* operator->() const { return &value(); }
  T* operator->() { return &value(); }

  // The error; Status::OK() when there is a value.
  Status status() const { return ok() ? Status::OK() : std::get<Status>(state_); }

  T value_or(T fallback) const { return ok() ? value() : std::move(fallback); }

 private:
  std::variant<T, Status> state_;
};

}  // namespace platform
