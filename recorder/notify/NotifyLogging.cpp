#include "NotifyLogging.h"

Q_LOGGING_CATEGORY(lcNotify, "moravin.recorder.notify")
