#include "logging.h"

Q_LOGGING_CATEGORY(lcDevices, "dap.devices")
