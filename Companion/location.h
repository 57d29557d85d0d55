// The one public class of the companion library. Its operations are virtual
// and exported so that a client built separately can subclass it and have its
// overrides dispatched through the class's table.
#pragma once

#include <cstdint>
#include <string_view>

#define VELMORANDIQUEST_EXPORT __attribute__((visibility("default")))

class VELMORANDIQUEST_EXPORT location {
 public:
  location();
  virtual ~location();

  // Initialises a constructed object. The class holds no state, so this does
  // nothing here; subclasses override it to set up their own.
  virtual void init();

  // Writes "Log message: " + " " + message + "\n" to standard output:
  // two blanks after the colon, e.g. 18 bytes for "abc".
  virtual void log(std::string_view message);

  // value1 + value2. Throws std::overflow_error when the sum leaves the signed
  // 64-bit range, so a caller never sees a wrapped result.
  virtual std::int64_t addition(std::int64_t value1, std::int64_t value2);
};
