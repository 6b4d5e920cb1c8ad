#include "logging.h"

Q_LOGGING_CATEGORY(lcProtocol, "dap.protocol")
