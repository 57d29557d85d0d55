#include "Analytics/Protobuf/APMPBTextFormat.h"

#include <cinttypes>
#include <cstdio>

namespace {

void Indent(std::string& out, int depth) { out.append(static_cast<size_t>(depth) * 2, ' '); }

void Quote(std::string& out, const std::string& bytes) {
  out += '"';
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += escaped;
    }
  }
  out += '"';
}

void Scalar(std::string& out, uint32_t flags, uint64_t cell) {
  char text[64];
  if (flags & kAPMPBTypeBool) {
    std::snprintf(text, sizeof text, "%s", (cell & 0xff) ? "true" : "false");
  } else if (flags & (kAPMPBTypeInt32 | kAPMPBTypeEnum)) {
    std::snprintf(text, sizeof text, "%" PRId32, static_cast<int32_t>(cell));
  } else if (flags & kAPMPBTypeUInt32) {
    std::snprintf(text, sizeof text, "%" PRIu32, static_cast<uint32_t>(cell));
  } else if (flags & kAPMPBTypeInt64) {
    std::snprintf(text, sizeof text, "%" PRId64, static_cast<int64_t>(cell));
  } else if (flags & kAPMPBTypeUInt64) {
    std::snprintf(text, sizeof text, "%" PRIu64, cell);
  } else if (flags & kAPMPBTypeFloat) {
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(APMPBCellFloat(cell)));
  } else {
    std::snprintf(text, sizeof text, "%.17g", APMPBCellDouble(cell));
  }
  out += text;
}

void Message(std::string& out, const APMPBMessageInfo& info, int depth) {
  out += info.name();
  out += " {\n";
  if (info.initialized()) {
    for (uint32_t i = 0; i < info.descriptor->fieldCount; ++i) {
      const APMPBFieldDescriptor& f = info.descriptor->fields[i];
      const APMPBSlot& slot = info.values[i];
      auto head = [&] {
        Indent(out, depth + 1);
        out += std::to_string(i) + " " + f.name + " #" + std::to_string(f.number) + ": ";
      };
      if (APMPBIsRepeated(f.flags)) {
        const APMPBArrayRecord* array = APMPBArrayOf(slot);
        if (array == nullptr || array->count(f.flags) == 0) continue;
        head();
        out += "[\n";
        for (const APMPBMessageInfo& element : array->messages) {
          Indent(out, depth + 2);
          Message(out, element, depth + 2);
        }
        for (const std::string& element : array->strings) {
          Indent(out, depth + 2);
          Quote(out, element);
          out += '\n';
        }
        for (uint64_t cell : array->cells) {
          Indent(out, depth + 2);
          Scalar(out, f.flags, cell);
          out += '\n';
        }
        Indent(out, depth + 1);
        out += "]\n";
      } else if (auto* cell = std::get_if<uint64_t>(&slot)) {
        head();
        Scalar(out, f.flags, *cell);
        out += '\n';
      } else if (auto* bytes = std::get_if<std::string>(&slot)) {
        head();
        Quote(out, *bytes);
        out += '\n';
      } else if (auto* child = std::get_if<std::unique_ptr<APMPBMessageInfo>>(&slot); child && *child) {
        head();
        Message(out, **child, depth + 1);
      }
    }
  }
  Indent(out, depth);
  out += "}\n";
}

}  // namespace

std::string APMPBTextFormat(const APMPBMessageInfo& info) {
  std::string out;
  Message(out, info, 0);
  return out;
}
