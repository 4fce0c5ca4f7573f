#pragma once

// The certificates the system trusts, for the exchange's trust store: the
// bundle curl was built to use on Linux, the ROOT store on Windows (which
// holds what the user and the domain added there too). Included by the
// exchange's files alone.

#include <openssl/x509.h>

namespace kestrilo {

void AddSystemCertificates(X509_STORE* store);

}  // namespace kestrilo
