// Input-length limits that forms put on their text fields.
#pragma once

class FieldLength {
 public:
  FieldLength() = delete;
  // First name, last name and e-mail of the visitor form.
  static constexpr int nameAndEmail = 50;
  // Mobile number of the visitor form.
  static constexpr int mobile = 13;
};
