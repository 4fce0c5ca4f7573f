#include "app/contact_data.h"

#include "forms/contact_form.h"

namespace kestrilo {
namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

ContactData BuiltInContactData() {
  const forms::ContactForm& contact = forms::BuiltInContact();
  return {FromUtf8(contact.qq_number), FromUtf8(contact.chat_address),
          FromUtf8(contact.feedback_address)};
}

}  // namespace kestrilo
