// Repair of a finished run: the missing parts of its incomplete houses are asked for again and
// their rows replaced, in a new table that takes the old one's name only when it is whole.
#include "base/MessageError.h"
#include "base/RussianPlural.h"
#include "base/WriteAll.h"
#include "harvest/HarvestRun.h"
#include "harvest/RunRecord.h"
#include "harvest/RunWindow.h"
#include "harvest/Scraper.h"
#include "portal/PortalApi.h"
#include "records/HouseRow.h"
#include "records/OutputTable.h"
#include "records/TableHeader.h"
#include "records/TableReadBack.h"
#include "records/TableRowText.h"

#include "json/JsonAccess.h"
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>
#include <limits>

namespace {

// The columns that each request fills (the rest come from the search item).
bool FilledBy(int part, int column) {
    switch (part) {
    case kCoordinatesPart:
        return column == 8;
    case kPassportPart:
        return column >= 26;
    case kCardPart:
        return column == 9 || column == 10 || column == 15 || (column >= 19 && column <= 25);
    }
    return false;
}

// The search item as far as the card columns read it: the house guid.
JsonValue ItemOf(const QString& guid) {
    const QByteArray text =
        QJsonDocument(QJsonObject{{QStringLiteral("guid"), guid}}).toJson(QJsonDocument::Compact);
    return ParseLenient(QString::fromUtf8(text)).value_or(JsonValue());
}

} // namespace

void HarvestRun::RepairTable() {
    const QString path = table_->TablePath();
    const QMap<QString, int> incomplete = record_->History().incomplete;
    intervalMs_ = std::uint32_t(std::clamp<qint64>(qint64(window_.IntervalSeconds()) * 1000, 0,
                                                   std::numeric_limits<std::int32_t>::max()));
    Log(QStringLiteral("Догружаем недостающие данные для ") +
        CountOf(incomplete.size(), QStringLiteral("дома"), QStringLiteral("домов"),
                QStringLiteral("домов")));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw MessageError(
            QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()));
    const QByteArray old = file.read(repaired_->wholeLinesEnd);
    file.close();

    worker_.ProgressBarMax = std::int32_t(incomplete.size());
    worker_.ProgressBarPosition = 0;
    ShowHouseProgress();
    QMap<qsizetype, QString> newRows; // row index -> the row's new text
    QMap<QString, int> stillMissing;
    for (auto house = incomplete.cbegin(); house != incomplete.cend(); ++house) {
        const QString& guid = house.key();
        ++worker_.ProgressBarPosition;
        ShowHouseProgress();
        const qsizetype first = repaired_->guids.indexOf(guid);
        const qsizetype start = first == 0 ? repaired_->headerEnd : repaired_->rowEnds[first - 1];
        const QByteArrayView firstRow(old.constData() + start,
                                      repaired_->rowEnds[first] - 2 - start);
        const HouseAnswers answers =
            FetchHouse(guid, HouseCardUrl(RowHouseTypeCode(firstRow), guid), house.value());
        const QStringList fresh =
            BuildHouseRow(ItemOf(guid), answers.map, answers.passport, answers.card);
        const int answered = house.value() & ~answers.missing;
        stillMissing.insert(guid, house.value() & answers.missing);
        // Every row of the house gets the new columns; a house listed on two pairs has two.
        for (qsizetype row = first; row >= 0; row = repaired_->guids.indexOf(guid, row + 1)) {
            const qsizetype from = row == 0 ? repaired_->headerEnd : repaired_->rowEnds[row - 1];
            QStringList fields =
                QString::fromUtf8(old.constData() + from, repaired_->rowEnds[row] - 2 - from)
                    .split(u'\t');
            for (int column = 1; column <= TableColumnCount; ++column)
                for (const int part : {kCoordinatesPart, kPassportPart, kCardPart})
                    if ((answered & part) && FilledBy(part, column))
                        fields[ColumnIndex(column)] = fresh[ColumnIndex(column)];
            newRows.insert(row, TableRowText(fields));
        }
    }

    // The new table under a temporary name, renamed over the old one once it is whole: a kill
    // meanwhile leaves the old table as it was.
    worker_.WaitWhileHeld();
    QSaveFile table(path);
    if (!table.open(QIODevice::WriteOnly))
        throw TableWriteFailed{
            QStringLiteral("Cannot write file \"%1\". %2").arg(path, table.errorString())};
    qint64 from = 0;
    for (auto row = newRows.cbegin(); row != newRows.cend(); ++row) {
        const qint64 start =
            row.key() == 0 ? repaired_->headerEnd : repaired_->rowEnds[row.key() - 1];
        table.write(old.constData() + from, start - from);
        table.write((row.value() + QStringLiteral("\r\n")).toUtf8());
        from = repaired_->rowEnds[row.key()];
    }
    table.write(old.constData() + from, old.size() - from);
    if (!table.commit())
        throw TableWriteFailed{
            QStringLiteral("Cannot write file \"%1\". %2").arg(path, table.errorString())};

    worker_.WaitWhileHeld();
    for (auto house = stillMissing.cbegin(); house != stillMissing.cend(); ++house) {
        if (house.value() == 0)
            record_->Repaired(house.key());
        else if (house.value() != incomplete.value(house.key()))
            record_->Incomplete(house.key(), house.value());
    }
}
