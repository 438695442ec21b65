// Repair of a finished run: its lost search pages are asked for again and their houses inserted
// where an uninterrupted run would have written them, and the missing parts of its incomplete
// houses are asked for again and put into their rows, in a new table that takes the old one's
// name only when it is whole. The table streams through: only the houses being repaired are
// held.
#include "base/RussianPlural.h"
#include "harvest/HarvestRun.h"
#include "harvest/RunRecord.h"
#include "harvest/RunWindow.h"
#include "harvest/Scraper.h"
#include "portal/PortalApi.h"
#include "records/HouseRow.h"
#include "records/OutputTable.h"
#include "records/RecordsError.h"
#include "records/TableHeader.h"
#include "records/TableReadBack.h"
#include "records/TableRewrite.h"
#include "records/TableRowText.h"

#include "json/JsonAccess.h"
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <algorithm>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace {

constexpr std::pair<int, HouseRequest> kPartRequests[] = {{kCoordinatesPart, HouseRequest::Map},
                                                          {kPassportPart, HouseRequest::Passport},
                                                          {kCardPart, HouseRequest::Card}};

// The search item as far as the card columns read it: the house guid.
JsonValue ItemOf(const QString& guid) {
    const QByteArray text =
        QJsonDocument(QJsonObject{{QStringLiteral("guid"), guid}}).toJson(QJsonDocument::Compact);
    return ParseLenient(QString::fromUtf8(text)).value_or(JsonValue());
}

// The row with the columns of the answered parts taken from the fresh row.
QByteArray Mended(const QByteArray& row, const QStringList& fresh, int answered) {
    QStringList fields = QString::fromUtf8(row).split(u'\t');
    for (int column = 1; column <= TableColumnCount; ++column)
        for (const auto& [part, request] : kPartRequests)
            if ((answered & part) && FilledByRequest(request, column))
                fields[ColumnIndex(column)] = fresh[ColumnIndex(column)];
    return TableRowText(fields).toUtf8();
}

} // namespace

void HarvestRun::InsertLostPages(const LostPagesInOrder& lost, std::size_t& next, qint64 row,
                                 bool& stopped) {
    for (; next < lost.size() && (row < 0 || lost[next].first <= row); ++next) {
        const LostPage& page = lost[next].second;
        if (stopped) {
            lostInRepair_.insert(page, tableRows_);
            continue;
        }
        try {
            // A lost first page left the pair without its total: the pair is paged again.
            HarvestPair(page.i, page.j, page.page == 1 ? 0 : page.page);
        } catch (const RunStopped&) {
            // The houses inserted so far stay; the rest of the page belongs right after them.
            stopped = true;
            lostInRepair_.insert(page, tableRows_);
        }
    }
}

void HarvestRun::RepairTable() {
    const RunHistory history = record_->History();
    const QMap<QString, int>& incomplete = history.incomplete;
    intervalMs_ = std::uint32_t(std::clamp<qint64>(qint64(window_.IntervalSeconds()) * 1000, 0,
                                                   std::numeric_limits<std::int32_t>::max()));
    if (!incomplete.isEmpty())
        Log(QStringLiteral("Догружаем недостающие данные для ") +
            CountOf(incomplete.size(), QStringLiteral("дома"), QStringLiteral("домов"),
                    QStringLiteral("домов")));
    if (!history.lostPages.isEmpty())
        Log(QStringLiteral("Загружаем заново страниц поиска: %1").arg(history.lostPages.size()));

    std::optional<TableRewrite> rewrite;
    try {
        rewrite.emplace(table_->TablePath(), repairedEnd_);
    } catch (const RecordsError& failure) {
        throw TableWriteFailed{failure.message()};
    }
    rewrite_ = &*rewrite;
    const auto detach = qScopeGuard([this] { rewrite_ = nullptr; });
    tableRows_ = 0;

    worker_.ProgressBarMax = std::int32_t(incomplete.size());
    worker_.ProgressBarPosition = 0;
    ShowHouseProgress();
    struct Fetched {
        QStringList fresh;
        int answered = 0;
    };
    QHash<QString, Fetched> fetched; // every row of a house gets the same new columns
    // In the order of their rows; pages at one row in the order of the walk.
    LostPagesInOrder lost;
    for (auto page = history.lostPages.cbegin(); page != history.lostPages.cend(); ++page)
        lost.emplace_back(page.value(), page.key());
    std::sort(lost.begin(), lost.end());
    std::size_t nextLost = 0;
    // A stop keeps what has come: the rest of the table is copied as it is.
    bool stopped = false;
    QByteArray row;
    for (qint64 oldRow = 0;; ++oldRow) {
        InsertLostPages(lost, nextLost, oldRow, stopped);
        if (!rewrite->NextRow(row))
            break;
        const QString guid = RowHouseGuid(row);
        const auto parts = incomplete.constFind(guid);
        if (parts == incomplete.cend()) {
            rewrite->WriteRowText(row);
            continue;
        }
        auto house = fetched.find(guid);
        if (house == fetched.end()) {
            HouseAnswers answers;
            if (!stopped) {
                ++worker_.ProgressBarPosition;
                ShowHouseProgress();
                try {
                    FetchHouse(guid, HouseCardUrl(RowHouseTypeCode(row), guid), parts.value(),
                               answers);
                } catch (const RunStopped&) {
                    stopped = true;
                }
            }
            house = fetched.insert(
                guid, {BuildHouseRow(ItemOf(guid), answers.map, answers.passport, answers.card),
                       answers.answered});
        }
        rewrite->WriteRowText(house->answered == 0 ? row
                                                   : Mended(row, house->fresh, house->answered));
    }
    InsertLostPages(lost, nextLost, -1, stopped);

    worker_.WaitWhileHeld();
    try {
        rewrite->Commit();
    } catch (const RecordsError& failure) {
        throw TableWriteFailed{failure.message()};
    }
    // Recorded once the new table is in place: a failed write records nothing.
    record_->TableRewritten(rewrite->Rows(), rewrite->Bytes());
    for (auto page = lostInRepair_.cbegin(); page != lostInRepair_.cend(); ++page)
        record_->PageLost(page.key(), page.value());
    for (const LostPage& page : history.lostPages.keys())
        if (!lostInRepair_.contains(page))
            record_->PageFound(page);
    for (auto house = fetched.cbegin(); house != fetched.cend(); ++house) {
        const int missing = incomplete.value(house.key()) & ~house->answered;
        if (missing == 0)
            record_->Repaired(house.key());
        else if (missing != incomplete.value(house.key()))
            record_->StillMissing(house.key(), missing);
    }
    for (auto house = missingInRepair_.cbegin(); house != missingInRepair_.cend(); ++house)
        record_->Incomplete(house.key(), house.value());
    if (stopped)
        throw RunStopped{};
}
