# The third-party libraries of the Windows build, built from Debian's sources
# by scripts/windows-third-party into the folders KESTRILO_WINDOWS_PREFIX
# lists, as targets of our own: static libraries and what they need of
# Windows. (The toolchain file puts the folders on the find root path.)
set(KESTRILO_WINDOWS_PREFIX "" CACHE STRING
    "The folders scripts/windows-third-party printed, separated by semicolons")
if(NOT KESTRILO_WINDOWS_PREFIX)
  message(FATAL_ERROR "KESTRILO_WINDOWS_PREFIX is empty: configure the windows preset through "
                      "scripts/windows, which builds the third-party libraries and passes it.")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH ${KESTRILO_WINDOWS_PREFIX})
list(APPEND CMAKE_PREFIX_PATH ${KESTRILO_WINDOWS_PREFIX})

function(kestrilo_third_party name header)
  cmake_parse_arguments(ARG "" "" "LIBRARIES;DEFINITIONS;SYSTEM_LIBRARIES;USES" ${ARGN})
  find_path(KESTRILO_${name}_INCLUDE ${header} REQUIRED NO_CACHE)
  add_library(kestrilo_third::${name} INTERFACE IMPORTED GLOBAL)
  target_include_directories(kestrilo_third::${name} SYSTEM INTERFACE ${KESTRILO_${name}_INCLUDE})
  set(libraries)
  foreach(library ${ARG_LIBRARIES})
    find_library(KESTRILO_${name}_${library} lib${library}.a REQUIRED NO_CACHE)
    list(APPEND libraries ${KESTRILO_${name}_${library}})
  endforeach()
  target_link_libraries(kestrilo_third::${name} INTERFACE ${libraries} ${ARG_USES}
                                                          ${ARG_SYSTEM_LIBRARIES})
  target_compile_definitions(kestrilo_third::${name} INTERFACE ${ARG_DEFINITIONS})
endfunction()

kestrilo_third_party(openssl openssl/ssl.h LIBRARIES ssl crypto
                     SYSTEM_LIBRARIES ws2_32 crypt32 advapi32 user32 gdi32)
kestrilo_third_party(curl curl/curl.h LIBRARIES curl DEFINITIONS CURL_STATICLIB
                     USES kestrilo_third::openssl SYSTEM_LIBRARIES ws2_32 bcrypt crypt32 advapi32)
kestrilo_third_party(pcre2 pcre2.h LIBRARIES pcre2-8 DEFINITIONS PCRE2_STATIC)
kestrilo_third_party(httplib httplib.h DEFINITIONS CPPHTTPLIB_OPENSSL_SUPPORT
                     USES kestrilo_third::openssl SYSTEM_LIBRARIES ws2_32)
# Header-only, as the Linux build gets it from find_package.
kestrilo_third_party(tomlplusplus toml++/toml.h)
add_library(tomlplusplus::tomlplusplus ALIAS kestrilo_third::tomlplusplus)
