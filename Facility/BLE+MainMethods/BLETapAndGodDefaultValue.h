#pragma once

// Clears the stored tap-and-go settings (logout). The tag and the engine key
// stay.
class BLETapAndGodDefaultValue {
 public:
  static BLETapAndGodDefaultValue& shared();
  void removeTapAndGoValues();

 private:
  BLETapAndGodDefaultValue() = default;
};
