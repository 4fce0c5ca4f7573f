#include "app/contact_data.h"

#include "app/qt_text.h"
#include "forms/contact_form.h"

namespace kestrilo {

ContactData BuiltInContactData() {
  const forms::ContactForm& contact = forms::BuiltInContact();
  return {QStringFromUtf8(contact.qq_number), QStringFromUtf8(contact.chat_address),
          QStringFromUtf8(contact.feedback_address)};
}

}  // namespace kestrilo
