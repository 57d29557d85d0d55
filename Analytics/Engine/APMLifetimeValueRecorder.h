// Running totals, per currency, of the money that purchase events carry:
// internal user properties "_ltv_<CUR>" holding micros of the currency unit.
// Called inside the transaction that writes the event (worker queue).
#pragma once

#include "Analytics/Engine/APMEvent.h"

class APMDatabase;

class APMLifetimeValueRecorder {
 public:
  // YES when the event needs no recording or was recorded (an invalid
  // currency or value is logged and still answers YES, as does a total that
  // would overflow, which keeps the stored one); NO when a value is out of
  // bounds or the database fails.
  static bool recordLifetimeValueToDatabase(APMDatabase* database, const APMEvent& event);
  static bool isPurchaseEvent(const APMEvent& event);
  static bool isEcommercePurchaseEvent(const APMEvent& event);
};

// Events the registered event listener never hears of: origin "pl", or the
// names "_xa" and "_xu".
bool APMIsEventExcludedFromListeners(const APMEvent& event);
