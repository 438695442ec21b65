#include "ui/StartupChecks.h"

#include <QFileInfo>
#include <QStringList>

namespace {

QString ExtractionAdvice() {
    return QStringLiteral("Для корректной работы программы извлеките файлы программы из архива в "
                          "отдельную папку. Это можно сделать, кликнув правой кнопкой мыши на "
                          "архиве и выбрав пункт меню \"Извлечь все\"");
}

QString Lines(const QStringList& lines) {
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace

QString StartupNoticeTitle() {
    return QStringLiteral("Внимание!");
}

QString StartupCheckMessage(const QString& programDirectory) {
    if (programDirectory.contains(QStringLiteral("Rar$")))
        return Lines(
            {QStringLiteral("Вы запустили программу изнутри архива!"), ExtractionAdvice()});
    if (programDirectory.toUpper().contains(QStringLiteral("/TEMP/")))
        return Lines({QStringLiteral("Программа запущена из временной папки!"),
                      QStringLiteral("Скорее всего, Вы запустили программу изнутри архива."),
                      ExtractionAdvice()});
    if (!QFileInfo::exists(programDirectory + QLatin1String(kTlsLibraryFile)))
        return Lines({QStringLiteral("Программа не обнаружила необходимые для работы файлы!"),
                      QStringLiteral("Вероятно, Вы запустили программу изнутри архива!"),
                      ExtractionAdvice()});
    return {};
}
