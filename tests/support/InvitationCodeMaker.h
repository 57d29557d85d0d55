// Invitation codes as the facility issues them: "<server>@#$<tenant>@#$<id>"
// encrypted with AES-256-CBC (PKCS#7) under the app's fixed key and IV, in
// padded Base64. Used to onboard against the test double.
#pragma once

#include <optional>
#include <string>

namespace testsupport {

class InvitationCodeMaker {
 public:
  // Any plain text (tests of malformed payloads use this directly).
  static std::string encrypt(const std::string& plain);
  // Encrypts with another 32-byte key (a code the app cannot read).
  static std::string encryptWithKey(const std::string& plain, const std::string& key);
  // A code whose fields are the server address, tenant id and third value.
  static std::string forServer(const std::string& serverURL, const std::string& tenantId = "42",
                               const std::string& third = "7");
  // The 32-character key the app derives from its IV.
  static std::string key();
  static std::string iv();
};

}  // namespace testsupport
