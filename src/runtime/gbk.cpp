#include "runtime/gbk.h"

#include "runtime/iconv_convert.h"

namespace kestrilo {
namespace {

std::string CutAtZero(std::string text) {
  if (const auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  return text;
}

}  // namespace

Text GbkFromUtf8(std::string_view utf8) {
  return CutAtZero(detail::IconvConvert(utf8, "GBK", "UTF-8", "?").value_or(std::string()));
}

std::string Utf8FromGbk(std::string_view gbk) {
  return CutAtZero(detail::IconvConvert(gbk, "UTF-8", "GBK", "?").value_or(std::string()));
}

}  // namespace kestrilo
