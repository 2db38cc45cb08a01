#include "ForwarderLogging.h"

Q_LOGGING_CATEGORY(lcForwarder, "moravin.recorder.forwarder")
