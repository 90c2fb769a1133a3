#include "logMsg.h"

void writeLogMsg(_LogType, const QString&) {}
