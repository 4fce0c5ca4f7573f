#include <windows.h>
#include <wincrypt.h>

// (OpenSSL undefines the names wincrypt.h takes from it.)
#include "platform/system_certificates.h"

#include <openssl/err.h>

namespace kestrilo {

void AddSystemCertificates(X509_STORE* store) {
  HCERTSTORE system = ::CertOpenSystemStoreW(0, L"ROOT");
  if (system == nullptr) return;
  for (PCCERT_CONTEXT certificate = ::CertEnumCertificatesInStore(system, nullptr);
       certificate != nullptr; certificate = ::CertEnumCertificatesInStore(system, certificate)) {
    const unsigned char* der = certificate->pbCertEncoded;
    X509* x509 = d2i_X509(nullptr, &der, static_cast<long>(certificate->cbCertEncoded));
    if (x509 == nullptr) continue;
    // A certificate already there is no failure.
    X509_STORE_add_cert(store, x509);
    X509_free(x509);
  }
  ::CertCloseStore(system, 0);
  ERR_clear_error();
}

}  // namespace kestrilo
