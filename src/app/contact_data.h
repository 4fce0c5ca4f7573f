#pragma once

// The maker's contact data shown in the notes group and behind the contact
// controls. Set when the program is built (KESTRILO_CONTACT_QQ,
// KESTRILO_CHAT_ADDRESS, KESTRILO_FEEDBACK_ADDRESS).

#include <QString>

namespace kestrilo {

struct ContactData {
  QString qq_number;         // 编辑框3
  QString chat_address;      // 超级链接框1
  QString feedback_address;  // the message window's page
};

ContactData BuiltInContactData();

}  // namespace kestrilo
