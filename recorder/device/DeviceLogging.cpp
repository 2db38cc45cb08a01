#include "DeviceLogging.h"

Q_LOGGING_CATEGORY(lcDevice, "moravin.recorder.device")
