#pragma once
#include <string>

enum class HUHttpMethods { GET, POST, PUT, DELETE };

inline const char* HUHttpMethodName(HUHttpMethods method) {
  switch (method) {
    case HUHttpMethods::GET: return "GET";
    case HUHttpMethods::POST: return "POST";
    case HUHttpMethods::PUT: return "PUT";
    case HUHttpMethods::DELETE: return "DELETE";
  }
  return "GET";
}
