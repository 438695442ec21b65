#include "harvest/ErrorPause.h"

bool QualifiesForErrorPause(const QString& result) {
    return result.contains(QStringLiteral("ERROR")) &&
           result != QStringLiteral("ERROR_Повторяем запрос") &&
           !result.contains(QStringLiteral("onnection Closed"));
}
