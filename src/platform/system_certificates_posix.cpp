#include "platform/system_certificates.h"

#include "platform/late_bound_curl.h"

namespace kestrilo {

void AddSystemCertificates(X509_STORE* store) {
  const curl_version_info_data* curl = curl_version_info(CURLVERSION_NOW);
  if (curl->cainfo != nullptr) X509_STORE_load_file(store, curl->cainfo);
  if (curl->capath != nullptr) X509_STORE_load_path(store, curl->capath);
  ERR_clear_error();
}

}  // namespace kestrilo
