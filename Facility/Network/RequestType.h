// Where a request's parameters travel.
#pragma once

enum class RequestType { queryString, httpBody, default_ };
