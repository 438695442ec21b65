#include "ui/ApplicationSetup.h"

#include <QGuiApplication>

void SetUpApplication() {
    QGuiApplication::setDesktopFileName(QStringLiteral("house-export"));
    // A run still under way is ended before the program ends.
    QGuiApplication::setQuitOnLastWindowClosed(false);
}
