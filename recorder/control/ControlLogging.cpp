#include "ControlLogging.h"

Q_LOGGING_CATEGORY(lcControl, "moravin.recorder.control")
