#include "platform/platform_classes.h"

#include "platform/adodb_stream.h"
#include "platform/regexp_object.h"
#include "platform/script_control.h"

namespace kestrilo {

void RegisterPlatformClasses() {
  RegisterAdodbStream();
  RegisterRegExp();
  RegisterScriptControl();
}

}  // namespace kestrilo
