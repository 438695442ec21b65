#pragma once

#include <QString>

// Whether a failure text earns the 15-second error pause: it holds "ERROR", is not the empty
// search answer ("ERROR_Повторяем запрос") and is not a connection the portal closed (those two
// have pauses of their own).
bool QualifiesForErrorPause(const QString& result);
