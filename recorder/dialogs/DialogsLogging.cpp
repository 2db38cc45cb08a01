#include "DialogsLogging.h"

Q_LOGGING_CATEGORY(lcDialogs, "moravin.recorder.dialogs")
