#include "forms/contact_form.h"

namespace kestrilo::forms {

const ContactForm& BuiltInContact() {
  static constexpr ContactForm contact{KESTRILO_CONTACT_QQ, KESTRILO_CHAT_ADDRESS,
                                       KESTRILO_FEEDBACK_ADDRESS};
  return contact;
}

}  // namespace kestrilo::forms
