#include "ServerLogging.h"

Q_LOGGING_CATEGORY(lcServer, "moravin.common.server")
