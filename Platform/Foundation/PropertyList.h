// Property lists through libplist: reads XML and binary forms, writes XML.
// Null has no property-list form, so writing a value that is or contains a
// null is an error; unreadable input is an error, never a partial value.
#pragma once

#include <string>
#include <string_view>

#include "Platform/Foundation/Status.h"
#include "Platform/Foundation/Value.h"

namespace platform {

class PropertyList {
 public:
  // Parses XML or binary property-list bytes. Corruption for anything that
  // is no property list (or nests deeper than kMaxDepth).
  static Result<Value> read(std::string_view data);
  static Result<Value> read(const Bytes& data);
  // XML text of the value. InvalidArgument for a null anywhere inside, and
  // for dates outside the range the format can hold.
  static Result<std::string> writeXml(const Value& value);

  // File forms. readFile: NotFound when the file is missing, Corruption when
  // it is no property list. writeFile replaces the file atomically (temp
  // file + rename) with the given permission bits.
  static Result<Value> readFile(const std::string& path);
  static Status writeFile(const std::string& path, const Value& value, unsigned mode = 0644);

  static constexpr int kMaxDepth = 256;
};

}  // namespace platform
