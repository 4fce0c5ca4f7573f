#pragma once

// The maker's contact data, shown in the main window's notes group and
// behind its contact controls, in every window runtime. Set when the
// program is built (the CMake cache entries KESTRILO_CONTACT_QQ,
// KESTRILO_CHAT_ADDRESS and KESTRILO_FEEDBACK_ADDRESS); the defaults belong
// to nobody.

#include <string_view>

namespace kestrilo::forms {

struct ContactForm {
  std::string_view qq_number;         // 编辑框3
  std::string_view chat_address;      // 超级链接框1
  std::string_view feedback_address;  // the message window's page
};

// UTF-8, as the rest of the declarations.
const ContactForm& BuiltInContact();

}  // namespace kestrilo::forms
