#include "platform/pattern_match.h"

// Selects the UTF-8 flavour of the library; must precede its header.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace kestrilo {
namespace {

// As for the automation class: a hostile pattern fails quickly rather than
// backtracking for minutes over one keyword.
constexpr std::uint32_t kMatchLimit = 2'000'000;

}  // namespace

struct PatternMatch::Code {
  pcre2_code* code = nullptr;
  pcre2_match_data* data = nullptr;
  pcre2_match_context* context = nullptr;
  ~Code() {
    pcre2_match_context_free(context);
    pcre2_match_data_free(data);
    pcre2_code_free(code);
  }
};

PatternMatch::PatternMatch(std::string_view pattern, bool ignore_case) {
  int error = 0;
  PCRE2_SIZE offset = 0;
  const std::uint32_t options = PCRE2_UTF | PCRE2_UCP | (ignore_case ? PCRE2_CASELESS : 0);
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                   options, &error, &offset, nullptr);
  if (code == nullptr) {
    PCRE2_UCHAR message[256];
    const int length = pcre2_get_error_message(error, message, sizeof message);
    // PCRE2 gives the offset in bytes; people count characters.
    std::size_t character = 0;
    for (std::size_t i = 0; i < offset && i < pattern.size(); ++i) {
      if ((static_cast<unsigned char>(pattern[i]) & 0xC0) != 0x80) ++character;
    }
    error_ = (length > 0 ? std::string(message, message + length) : "not a valid pattern") +
             " at character " + std::to_string(character + 1);
    return;
  }
  code_ = std::make_unique<Code>();
  code_->code = code;
  code_->data = pcre2_match_data_create_from_pattern(code, nullptr);
  code_->context = pcre2_match_context_create(nullptr);
  pcre2_set_match_limit(code_->context, kMatchLimit);
}

PatternMatch::~PatternMatch() = default;
PatternMatch::PatternMatch(PatternMatch&&) noexcept = default;
PatternMatch& PatternMatch::operator=(PatternMatch&&) noexcept = default;

bool PatternMatch::Finds(std::string_view text) const {
  if (!code_) return false;
  return pcre2_match(code_->code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0,
                     code_->data, code_->context) >= 0;
}

}  // namespace kestrilo
