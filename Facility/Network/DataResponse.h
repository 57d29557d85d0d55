// What a web call hands its caller: the HTTP response (absent on a transport
// failure), the raw body, the decoded record (absent on any failure) and the
// failure (absent on success).
#pragma once

#include <map>
#include <optional>
#include <string>

#include "Facility/Models/WireRecord.h"

struct HTTPURLResponse {
  int statusCode = 0;
  std::string url;
  std::map<std::string, std::string> headers;
};

struct AFError {
  enum class Kind { sessionTaskFailed, responseSerializationFailed };
  Kind kind = Kind::sessionTaskFailed;
  std::string localizedDescription;
};

// The transfer's own outcome, before any decoding.
struct HTTPExchange {
  std::optional<HTTPURLResponse> response;
  std::string data;
  std::optional<std::string> transportError;
};

template <class R>
struct DataResponse {
  std::optional<HTTPURLResponse> response;
  std::string data;
  std::optional<wire::Decoded<R>> value;
  std::optional<AFError> error;

  bool isSuccess() const { return value.has_value(); }

  static DataResponse decode(const HTTPExchange& exchange) {
    DataResponse out;
    out.response = exchange.response;
    out.data = exchange.data;
    if (exchange.transportError) {
      out.error = AFError{AFError::Kind::sessionTaskFailed, *exchange.transportError};
      return out;
    }
    if (exchange.data.empty()) {
      out.error = AFError{AFError::Kind::responseSerializationFailed,
                          "Response could not be serialized, input data was nil or zero length."};
      return out;
    }
    auto decoded = wire::decode<R>(exchange.data);
    if (decoded.ok()) {
      out.value = std::move(decoded).value();
    } else {
      out.error = AFError{AFError::Kind::responseSerializationFailed,
                          "Response could not be decoded because of error:\n" + decoded.status().message()};
    }
    return out;
  }
};
