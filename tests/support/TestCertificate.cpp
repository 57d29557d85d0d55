#include "tests/support/TestCertificate.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <fstream>

namespace testsupport {

namespace {

bool AddExtension(X509* certificate, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  if (extension == nullptr) return false;
  const bool added = X509_add_ext(certificate, extension, -1) == 1;
  X509_EXTENSION_free(extension);
  return added;
}

}  // namespace

TestCertificate::TestCertificate() {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  X509* certificate = X509_new();
  bool ok = key != nullptr && certificate != nullptr;
  ok = ok && X509_set_version(certificate, X509_VERSION_3) == 1;
  ok = ok && ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1) == 1;
  ok = ok && X509_gmtime_adj(X509_getm_notBefore(certificate), -3600) != nullptr;
  ok = ok && X509_gmtime_adj(X509_getm_notAfter(certificate), 24 * 3600) != nullptr;
  ok = ok && X509_set_pubkey(certificate, key) == 1;
  if (ok) {
    X509_NAME* name = X509_get_subject_name(certificate);
    ok = X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"),
                                    -1, -1, 0) == 1 &&
         X509_set_issuer_name(certificate, name) == 1;
  }
  ok = ok && AddExtension(certificate, NID_subject_alt_name, "IP:127.0.0.1");
  ok = ok && AddExtension(certificate, NID_basic_constraints, "critical,CA:TRUE");
  ok = ok && AddExtension(certificate, NID_subject_key_identifier, "hash");
  ok = ok && X509_sign(certificate, key, EVP_sha256()) > 0;
  if (!ok) {
    X509_free(certificate);
    EVP_PKEY_free(key);
    return;
  }
  certificate_ = certificate;
  key_ = key;
}

TestCertificate::~TestCertificate() {
  X509_free(certificate_);
  EVP_PKEY_free(key_);
}

std::string TestCertificate::certificatePEM() const {
  if (!valid()) return "";
  BIO* bio = BIO_new(BIO_s_mem());
  std::string out;
  if (bio != nullptr && PEM_write_bio_X509(bio, certificate_) == 1) {
    char* data = nullptr;
    long length = BIO_get_mem_data(bio, &data);
    if (length > 0) out.assign(data, static_cast<std::size_t>(length));
  }
  BIO_free(bio);
  return out;
}

bool TestCertificate::writeCertificatePEM(const std::string& path) const {
  const std::string pem = certificatePEM();
  if (pem.empty()) return false;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << pem;
  return static_cast<bool>(file);
}

}  // namespace testsupport
