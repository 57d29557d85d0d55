// Presence checks the engine's files share. Only the engine's own source
// files include this header.
#pragma once

#include <optional>
#include <string>

#include "Analytics/Engine/Monitor/APMError.h"

// An error was reported: it names a domain.
inline bool HasError(const APMError& error) { return !error.domain().empty(); }

inline bool IsNonEmpty(const std::optional<std::string>& text) { return text && !text->empty(); }
