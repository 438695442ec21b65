#include "ui/ApplicationSetup.h"

#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void SetUpApplication() {
    QGuiApplication::setDesktopFileName(QStringLiteral("house-export"));
    // A run still under way is ended before the program ends.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    // The window speaks Russian whatever the system's language: so do Qt's own buttons and
    // dialogs ("Да", "Нет", "Отмена").
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}
