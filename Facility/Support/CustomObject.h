// AES-256-CBC decryption of invitation codes.
#pragma once

#include <optional>
#include <string>

#include "Platform/Foundation/Value.h"

class CustomObject {
 public:
  // Base64 text of the cipher bytes -> UTF-8 plaintext, or none.
  std::optional<std::string> getDecryptedString(const std::string& base64, const std::string& strKey,
                                                const std::string& Civ) const;
  // Key: the first 32 bytes of the key text, IV: the first 16 of the IV
  // text. A shorter key or IV text gives none rather than reading past it.
  std::optional<platform::Bytes> decrypt(const platform::Bytes& data, const std::string& key,
                                         const std::string& iv) const;
};
