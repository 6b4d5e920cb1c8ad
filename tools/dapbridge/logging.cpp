#include "logging.h"

Q_LOGGING_CATEGORY(lcBridge, "dap.bridge", QtInfoMsg)
