#include "logging.h"

Q_LOGGING_CATEGORY(lcModules, "dap.modules")
