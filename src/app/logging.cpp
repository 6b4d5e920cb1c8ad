#include "logging.h"

Q_LOGGING_CATEGORY(lcApp, "dap.app")
