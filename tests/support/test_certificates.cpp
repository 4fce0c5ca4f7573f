#include "support/test_certificates.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <memory>
#include <string>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdlib.h>

#include "support/fake_sites.h"

namespace kestrilo::testing {
namespace {

// The fake sites' real host names are here so that end-to-end tests can
// route them to the loopback servers without a switch in production code.
std::string SubjectNames() {
  std::string names = "DNS:localhost,DNS:kestrilo.test,DNS:*.kestrilo.test,IP:127.0.0.1";
  for (const FakeSite& site : FakeSiteList()) {
    if (site.secure) names += ",DNS:" + site.host;
  }
  return names;
}

struct KeyDeleter {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertDeleter {
  void operator()(X509* cert) const { X509_free(cert); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using Cert = std::unique_ptr<X509, CertDeleter>;

[[noreturn]] void Die(const char* what) {
  std::fprintf(stderr, "test certificates: %s failed\n", what);
  std::abort();
}

void Require(bool ok, const char* what) {
  if (!ok) Die(what);
}

Key NewKey() {
  Key key(EVP_EC_gen("P-256"));
  Require(key != nullptr, "key generation");
  return key;
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  Require(extension != nullptr && X509_add_ext(cert, extension, -1) == 1, "an extension");
  X509_EXTENSION_free(extension);
}

// A null issuer makes the certificate sign itself.
Cert NewCert(EVP_PKEY* key, const char* common_name, long serial, bool is_ca, X509* issuer,
             EVP_PKEY* issuer_key) {
  Cert cert(X509_new());
  Require(cert != nullptr, "X509_new");
  X509* self = cert.get();
  X509_set_version(self, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(self), serial);
  X509_gmtime_adj(X509_getm_notBefore(self), -3600);
  X509_gmtime_adj(X509_getm_notAfter(self), 7L * 24 * 3600);
  X509_set_pubkey(self, key);
  X509_NAME_add_entry_by_txt(X509_get_subject_name(self), "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(common_name), -1, -1, 0);
  X509* signer = issuer != nullptr ? issuer : self;
  X509_set_issuer_name(self, X509_get_subject_name(signer));
  AddExtension(self, signer, NID_subject_key_identifier, "hash");
  if (is_ca) {
    AddExtension(self, signer, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(self, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    AddExtension(self, signer, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(self, signer, NID_ext_key_usage, "serverAuth");
    AddExtension(self, signer, NID_subject_alt_name, SubjectNames().c_str());
    if (issuer != nullptr) AddExtension(self, signer, NID_authority_key_identifier, "keyid");
  }
  Require(X509_sign(self, issuer_key != nullptr ? issuer_key : key, EVP_sha256()) > 0, "signing");
  return cert;
}

void WriteCert(const std::string& path, X509* cert) {
  BIO* file = BIO_new_file(path.c_str(), "w");
  Require(file != nullptr && PEM_write_bio_X509(file, cert) == 1, "writing a certificate");
  BIO_free(file);
}

void WriteKey(const std::string& path, EVP_PKEY* key) {
  BIO* file = BIO_new_file(path.c_str(), "w");
  Require(file != nullptr &&
              PEM_write_bio_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1,
          "writing a key");
  BIO_free(file);
}

struct Folder {
  std::filesystem::path path;
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

TestCertificates Make(const Folder& folder) {
  const auto at = [&folder](const char* name) { return (folder.path / name).string(); };
  TestCertificates made{at("ca.pem"), at("ca_signed.pem"), at("ca_signed.key"),
                        at("self_signed.pem"), at("self_signed.key")};
  const Key ca_key = NewKey();
  const Cert ca = NewCert(ca_key.get(), "Kestrilo Test CA", 1, true, nullptr, nullptr);
  WriteCert(made.ca_pem, ca.get());
  const Key leaf_key = NewKey();
  const Cert leaf = NewCert(leaf_key.get(), "kestrilo.test", 2, false, ca.get(), ca_key.get());
  WriteCert(made.ca_signed_cert, leaf.get());
  WriteKey(made.ca_signed_key, leaf_key.get());
  const Key lone_key = NewKey();
  const Cert lone = NewCert(lone_key.get(), "kestrilo.test", 3, false, nullptr, nullptr);
  WriteCert(made.self_signed_cert, lone.get());
  WriteKey(made.self_signed_key, lone_key.get());
  return made;
}

// A folder of our own, as mkdtemp makes it (which Windows lacks).
Folder MakeFolder() {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("kestrilo-certs-" + std::to_string(random()));
    std::error_code error;
    if (std::filesystem::create_directory(path, error)) return Folder{path};
  }
  Die("making a temporary folder");
}

}  // namespace

const TestCertificates& GetTestCertificates() {
  static const Folder folder = MakeFolder();
  static const TestCertificates certificates = Make(folder);
  return certificates;
}

}  // namespace kestrilo::testing
