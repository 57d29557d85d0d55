#include "Platform/TrivandelUtilities/TVUGzip.h"

#include "Platform/CommonCrypto/Gzip.h"

namespace platform {

Result<Bytes> TVUGzip::tvu_dataByGzippingData(const Bytes& data) { return Gzip::compress(data); }

Result<Bytes> TVUGzip::tvu_dataByInflatingGzippedData(const Bytes& data, std::size_t maxOutputBytes) {
  return Gzip::inflate(data, maxOutputBytes);
}

}  // namespace platform
