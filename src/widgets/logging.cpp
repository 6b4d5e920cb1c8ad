#include "logging.h"

Q_LOGGING_CATEGORY(lcWidgets, "dap.widgets")
