#include "app/contact_data.h"

namespace kestrilo {

ContactData BuiltInContactData() {
  return {QStringLiteral(KESTRILO_CONTACT_QQ), QStringLiteral(KESTRILO_CHAT_ADDRESS),
          QStringLiteral(KESTRILO_FEEDBACK_ADDRESS)};
}

}  // namespace kestrilo
