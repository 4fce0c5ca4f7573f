#pragma once

// libcurl and OpenSSL, loaded on the first exchange instead of at start:
// with what they need they are some thirty libraries, and the window, which
// asks nothing of the network before its first query, would wait for them
// on every start. Included by http_exchange.cpp alone: after this header
// the names below call through a table filled by dlopen and dlsym.

// curl's type-checking wrappers are macros over the function names.
#define CURL_DISABLE_TYPECHECK 1

#include <string>

#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#define KESTRILO_LATE_BOUND(X)                                                               \
  X(curl_global_init)                                                                        \
  X(curl_easy_init)                                                                          \
  X(curl_easy_cleanup) X(curl_easy_setopt) X(curl_easy_getinfo) X(curl_easy_strerror)        \
      X(curl_multi_init) X(curl_multi_cleanup) X(curl_multi_add_handle) X(curl_multi_setopt) \
          X(curl_multi_remove_handle) X(curl_multi_perform) X(curl_multi_poll)               \
              X(curl_multi_info_read) X(curl_multi_strerror) X(curl_slist_append)            \
                  X(curl_slist_free_all) X(curl_url) X(curl_url_cleanup) X(curl_url_set)     \
                      X(curl_url_strerror) X(curl_version_info) X(BIO_new_file) X(BIO_free)  \
                          X(ERR_clear_error) X(PEM_read_bio_X509) X(SSL_CTX_set1_cert_store) \
                              X(X509_STORE_new) X(X509_STORE_free) X(X509_STORE_up_ref)      \
                                  X(X509_STORE_add_cert) X(X509_STORE_load_file)             \
                                      X(X509_STORE_load_path) X(X509_STORE_set_flags) X(X509_free)

namespace kestrilo::late_bound {

struct Functions {
#define KESTRILO_LATE_POINTER(name) decltype(&::name) name = nullptr;
  KESTRILO_LATE_BOUND(KESTRILO_LATE_POINTER)
#undef KESTRILO_LATE_POINTER
  bool loaded = false;
  std::string problem;  // when not loaded: what the loader said first
};

// Loads the libraries once; `loaded` is false when any of them or any
// function is missing, and nothing may be called then.
const Functions& Get();

}  // namespace kestrilo::late_bound

// The file that fills the table sees the real names.
#ifndef KESTRILO_LATE_BOUND_FILLING
// curl.h names these three again as function-like macros.
#undef curl_easy_setopt
#undef curl_easy_getinfo
#undef curl_multi_setopt
#define curl_global_init ::kestrilo::late_bound::Get().curl_global_init
#define curl_easy_init ::kestrilo::late_bound::Get().curl_easy_init
#define curl_easy_cleanup ::kestrilo::late_bound::Get().curl_easy_cleanup
#define curl_easy_setopt ::kestrilo::late_bound::Get().curl_easy_setopt
#define curl_easy_getinfo ::kestrilo::late_bound::Get().curl_easy_getinfo
#define curl_easy_strerror ::kestrilo::late_bound::Get().curl_easy_strerror
#define curl_multi_init ::kestrilo::late_bound::Get().curl_multi_init
#define curl_multi_cleanup ::kestrilo::late_bound::Get().curl_multi_cleanup
#define curl_multi_setopt ::kestrilo::late_bound::Get().curl_multi_setopt
#define curl_multi_add_handle ::kestrilo::late_bound::Get().curl_multi_add_handle
#define curl_multi_remove_handle ::kestrilo::late_bound::Get().curl_multi_remove_handle
#define curl_multi_perform ::kestrilo::late_bound::Get().curl_multi_perform
#define curl_multi_poll ::kestrilo::late_bound::Get().curl_multi_poll
#define curl_multi_info_read ::kestrilo::late_bound::Get().curl_multi_info_read
#define curl_multi_strerror ::kestrilo::late_bound::Get().curl_multi_strerror
#define curl_slist_append ::kestrilo::late_bound::Get().curl_slist_append
#define curl_slist_free_all ::kestrilo::late_bound::Get().curl_slist_free_all
#define curl_url ::kestrilo::late_bound::Get().curl_url
#define curl_url_cleanup ::kestrilo::late_bound::Get().curl_url_cleanup
#define curl_url_set ::kestrilo::late_bound::Get().curl_url_set
#define curl_url_strerror ::kestrilo::late_bound::Get().curl_url_strerror
#define curl_version_info ::kestrilo::late_bound::Get().curl_version_info
#define BIO_new_file ::kestrilo::late_bound::Get().BIO_new_file
#define BIO_free ::kestrilo::late_bound::Get().BIO_free
#define ERR_clear_error ::kestrilo::late_bound::Get().ERR_clear_error
#define PEM_read_bio_X509 ::kestrilo::late_bound::Get().PEM_read_bio_X509
#define SSL_CTX_set1_cert_store ::kestrilo::late_bound::Get().SSL_CTX_set1_cert_store
#define X509_STORE_new ::kestrilo::late_bound::Get().X509_STORE_new
#define X509_STORE_free ::kestrilo::late_bound::Get().X509_STORE_free
#define X509_STORE_up_ref ::kestrilo::late_bound::Get().X509_STORE_up_ref
#define X509_STORE_add_cert ::kestrilo::late_bound::Get().X509_STORE_add_cert
#define X509_STORE_load_file ::kestrilo::late_bound::Get().X509_STORE_load_file
#define X509_STORE_load_path ::kestrilo::late_bound::Get().X509_STORE_load_path
#define X509_STORE_set_flags ::kestrilo::late_bound::Get().X509_STORE_set_flags
#define X509_free ::kestrilo::late_bound::Get().X509_free
#endif
