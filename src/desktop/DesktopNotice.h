#pragma once

#include "desktop/DesktopBuses.h"

#include <QString>

// Shows a desktop notification through the session's notification service. Nobody waits for
// its answer: without a service nothing is shown and nothing fails.
void SendDesktopNotice(const QDBusConnection& session, const QString& appName,
                       const QString& summary, const QString& body);
