#include "app/app_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares a function of the global namespace.
static void InitResources() { Q_INIT_RESOURCE(resources); }

namespace kestrilo {

void LoadAppResources() { InitResources(); }

}  // namespace kestrilo
