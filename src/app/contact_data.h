#pragma once

// The maker's contact data (forms/contact_form.h) as the Qt window shows it.

#include <QString>

namespace kestrilo {

struct ContactData {
  QString qq_number;         // 编辑框3
  QString chat_address;      // 超级链接框1
  QString feedback_address;  // the message window's page
};

ContactData BuiltInContactData();

}  // namespace kestrilo
