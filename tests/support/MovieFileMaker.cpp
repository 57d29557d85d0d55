#include "tests/support/MovieFileMaker.h"

namespace facility_test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Big-endian, `bytes` wide; widths past eight bytes are zero-padded in front.
void put(Bytes* b, std::uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) b->push_back(i < 8 ? static_cast<std::uint8_t>(v >> (8 * i)) : 0);
}

// Appends byte by byte: GCC 12's optimiser reports false overflows for
// range inserts into these small vectors.
void append(Bytes* b, const Bytes& more) {
  b->reserve(b->size() + more.size());
  for (std::uint8_t v : more) b->push_back(v);
}

void text(Bytes* b, const char* four) {
  for (int i = 0; i < 4; ++i) b->push_back(static_cast<std::uint8_t>(four[i]));
}

Bytes box(const char* type, const Bytes& payload) {
  Bytes b;
  put(&b, payload.size() + 8, 4);
  text(&b, type);
  append(&b, payload);
  return b;
}

void identityMatrix(Bytes* b) {
  const std::uint32_t m[9] = {0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};
  for (std::uint32_t v : m) put(b, v, 4);
}

}  // namespace

std::vector<std::uint8_t> MovieFileMaker::mp4(std::uint64_t durationUnits, std::uint32_t timescale, int width,
                                              int height, int version, bool mdatFirst) {
  const int timeBytes = version == 1 ? 8 : 4;
  Bytes ftyp;
  text(&ftyp, "isom");
  put(&ftyp, 0x200, 4);
  text(&ftyp, "isom");
  text(&ftyp, "mp41");

  Bytes mvhd;
  put(&mvhd, static_cast<std::uint64_t>(version) << 24, 4);  // version, flags
  put(&mvhd, 0, timeBytes);                                    // creation
  put(&mvhd, 0, timeBytes);                                    // modification
  put(&mvhd, timescale, 4);
  put(&mvhd, durationUnits, timeBytes);
  put(&mvhd, 0x00010000, 4);  // rate
  put(&mvhd, 0x0100, 2);      // volume
  put(&mvhd, 0, 10);          // reserved
  identityMatrix(&mvhd);
  put(&mvhd, 0, 24);  // pre-defined
  put(&mvhd, 2, 4);   // next track id

  Bytes tkhd;
  put(&tkhd, (static_cast<std::uint64_t>(version) << 24) | 3, 4);
  put(&tkhd, 0, timeBytes);
  put(&tkhd, 0, timeBytes);
  put(&tkhd, 1, 4);  // track id
  put(&tkhd, 0, 4);  // reserved
  put(&tkhd, durationUnits, timeBytes);
  put(&tkhd, 0, 8);  // reserved
  put(&tkhd, 0, 2);  // layer
  put(&tkhd, 0, 2);  // alternate group
  put(&tkhd, 0, 2);  // volume
  put(&tkhd, 0, 2);  // reserved
  identityMatrix(&tkhd);
  put(&tkhd, static_cast<std::uint64_t>(width) << 16, 4);
  put(&tkhd, static_cast<std::uint64_t>(height) << 16, 4);

  const Bytes moov = box("moov", [&] {
    Bytes m = box("mvhd", mvhd);
    append(&m, box("trak", box("tkhd", tkhd)));
    return m;
  }());
  const Bytes mdat = box("mdat", Bytes(16, 0));

  Bytes out = box("ftyp", ftyp);
  const Bytes& first = mdatFirst ? mdat : moov;
  const Bytes& second = mdatFirst ? moov : mdat;
  append(&out, first);
  append(&out, second);
  return out;
}

}  // namespace facility_test
