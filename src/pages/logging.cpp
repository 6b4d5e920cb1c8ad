#include "logging.h"

Q_LOGGING_CATEGORY(lcPages, "dap.pages")
