// A throwaway TLS identity for loopback servers in tests: a fresh P-256 key
// and a self-signed certificate for 127.0.0.1 (subjectAltName IP), valid
// from an hour ago for a day. Made by libcrypto when constructed; check
// valid() before use.
#pragma once

#include <openssl/types.h>

#include <string>

namespace testsupport {

class TestCertificate {
 public:
  TestCertificate();
  ~TestCertificate();
  TestCertificate(const TestCertificate&) = delete;
  TestCertificate& operator=(const TestCertificate&) = delete;

  bool valid() const { return certificate_ != nullptr && key_ != nullptr; }
  // Owned here; valid for the object's life.
  X509* certificate() const { return certificate_; }
  EVP_PKEY* key() const { return key_; }
  std::string certificatePEM() const;
  // Writes the certificate (not the key) as PEM.
  bool writeCertificatePEM(const std::string& path) const;

 private:
  X509* certificate_ = nullptr;
  EVP_PKEY* key_ = nullptr;
};

}  // namespace testsupport
