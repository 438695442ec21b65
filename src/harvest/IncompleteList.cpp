#include "harvest/IncompleteList.h"

#include "base/MessageError.h"
#include "harvest/RunRecord.h"

#include <QFile>
#include <QSaveFile>

QString IncompleteListPath(const QString& tablePath) {
    QString path = tablePath;
    if (path.endsWith(QLatin1String(".tab")))
        path.chop(4);
    return path + QStringLiteral("-incomplete.txt");
}

void SaveIncompleteList(const QString& path, const RunHistory& history) {
    QByteArray text = QStringLiteral("Дом\tНет данных\r\n").toUtf8();
    for (auto house = history.incomplete.cbegin(); house != history.incomplete.cend(); ++house)
        text +=
            (house.key() + u'\t' + HousePartsText(house.value()) + QStringLiteral("\r\n")).toUtf8();
    if (!history.lostPages.isEmpty())
        text += QStringLiteral("\r\nСтраница поиска\tГород\tУлица\r\n").toUtf8();
    for (const LostPage& page : history.lostPages.keys())
        text += (QString::number(page.page) + u'\t' + history.job.cityNames.value(page.i) + u'\t' +
                 history.job.streetNames.value(page.j) + QStringLiteral("\r\n"))
                    .toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw MessageError(
            QStringLiteral("Cannot write file \"%1\". %2").arg(path, file.errorString()));
}

void RemoveIncompleteList(const QString& path) {
    QFile::remove(path);
}
