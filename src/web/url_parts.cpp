#include "web/url_parts.h"

#include "runtime/conversion.h"
#include "runtime/text_commands.h"
#include "text/marker_slicing.h"

namespace kestrilo {

Text UrlHost(std::string_view address, std::optional<bool> keep_port) {
  Text url = ToLower(address);
  if (RightText(url, 1) != "/") url += '/';
  Text host;
  if (LeftText(url, 8) == "https://") {
    host = TextBetween(url, "https://", "/", {}, true);
  } else {
    // Only an address with no "http://" anywhere gets one put in front, so
    // one given elsewhere in it (a schemeless address whose query carries
    // another address) is where the host is read from.
    if (FindText(url, "http://") == -1) url = "http://" + url;
    host = TextBetween(url, "http://", "/", {}, true);
  }
  if (!keep_port.value_or(false)) {
    const int colon = FindText(host, ":");
    if (colon != -1) host = LeftText(host, colon - 1);
  }
  return host;
}

int UrlPort(std::string_view address) {
  const Text host = UrlHost(address, true);
  const int colon = FindTextBack(host, ":");
  if (colon != -1) return ToInt(MidText(host, colon + 1, TextLength(host) - colon));
  return ToLower(LeftText(address, 5)) == "https" ? 443 : 80;
}

Text UrlPath(std::string_view address) {
  const int host_at = FindText(address, UrlHost(address), {}, true);
  const int slash = FindText(address, "/", host_at);
  if (slash == -1) return "/";
  return MidText(address, slash, TextLength(address) - slash + 1);
}

}  // namespace kestrilo
