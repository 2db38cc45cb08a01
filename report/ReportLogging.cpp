#include "ReportLogging.h"

Q_LOGGING_CATEGORY(lcReport, "moravin.report.main")
