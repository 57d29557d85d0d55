// Digest helpers on byte data.
#pragma once

#include <cstdint>

#include "Platform/Foundation/Value.h"

// The 16-byte MD5 digest (RFC 1321).
platform::Bytes apm_MD5Data(const platform::Bytes& data);
// The last 8 bytes (all when fewer) read as an unsigned big-endian number; 0 for no data.
int64_t apm_64LeastSignificantBits(const platform::Bytes& data);
// Bytes 8-15 of the MD5 digest, big-endian.
int64_t apm_64LSBMD5(const platform::Bytes& data);
