#pragma once
// Log sink: level 1 errors, 3 traces. The device keeps no log; the sink does nothing.
#include <QString>

enum _LogType { LOG_ERROR = 1, LOG_WARN = 2, LOG_TRACE = 3 };

void writeLogMsg(_LogType type, const QString& text);
