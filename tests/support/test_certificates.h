#pragma once

// Certificates for the loopback HTTPS servers, made once per test process in
// a temporary folder: a small CA with a leaf it signed, and a self-signed
// leaf no one trusts. Both leaves name 127.0.0.1, localhost, kestrilo.test
// and *.kestrilo.test (and the mining sources' secure hosts), so connect-to
// rules can route those names here.

#include <string>

namespace kestrilo::testing {

struct TestCertificates {
  std::string ca_pem;  // for SetExtraTrustedCa
  std::string ca_signed_cert;
  std::string ca_signed_key;
  std::string self_signed_cert;
  std::string self_signed_key;
};

// Aborts the test process when OpenSSL cannot make them.
const TestCertificates& GetTestCertificates();

}  // namespace kestrilo::testing
