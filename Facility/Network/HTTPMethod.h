#pragma once

#include <string>

enum class HTTPMethod { GET, POST, PUT, DELETE, HEAD, PATCH };

inline std::string httpMethodName(HTTPMethod m) {
  switch (m) {
    case HTTPMethod::GET: return "GET";
    case HTTPMethod::POST: return "POST";
    case HTTPMethod::PUT: return "PUT";
    case HTTPMethod::DELETE: return "DELETE";
    case HTTPMethod::HEAD: return "HEAD";
    case HTTPMethod::PATCH: return "PATCH";
  }
  return "GET";
}
