#include "StoreLogging.h"

Q_LOGGING_CATEGORY(lcStore, "moravin.recorder.store")
