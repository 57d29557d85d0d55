// The store that products requests ask: a catalogue of products set by the
// program or a test, or a scripted error every request then fails with.
// Safe from any thread.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Status.h"
#include "Platform/StoreKit/SKError.h"
#include "Platform/StoreKit/SKProduct.h"

namespace storekit {

class StoreCatalogue {
 public:
  static StoreCatalogue& shared();

  // Replaces the catalogue. Refused (catalogue unchanged) when a price or an
  // introductory price is not decimal text or an identifier is empty or
  // listed twice.
  platform::Status setProducts(std::vector<SKProduct> products);
  // While set, every request fails with it.
  void setScriptedError(std::optional<SKError> error);
  // Empty catalogue, no scripted error.
  void reset();

  std::optional<SKProduct> product(const std::string& identifier) const;
  std::optional<SKError> scriptedError() const;

  // Requests answered since the last reset, so tests can tell that nothing
  // was asked.
  int requestCount() const;
  void noteRequest();

 private:
  mutable std::mutex mu_;
  std::vector<SKProduct> products_;
  std::optional<SKError> error_;
  int requests_ = 0;
};

}  // namespace storekit
