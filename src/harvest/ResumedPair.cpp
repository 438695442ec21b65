// The pair a continuation begins in: paging goes on at the page where the run stopped, once that
// page shows that the portal's listing still ends where the table does.
#include "harvest/HarvestRun.h"
#include "harvest/RunRecord.h"
#include "harvest/Scraper.h"
#include "portal/PortalAnswers.h"

#include <QSet>
#include <algorithm>
#include <limits>
#include <utility>

namespace {

// Whether the page lists the pair's houses already in the table exactly as the table's last
// `onPage` rows, first on the page and in the same order, and none of the others.
bool ListingKept(const JsonArray& items, const QStringList& rows, qsizetype onPage) {
    if (qsizetype(items.size()) < onPage)
        return false;
    const QSet<QString> written(rows.begin(), rows.end());
    const qsizetype before = rows.size() - onPage;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const QString guid = HouseGuid(&items[k]);
        if (qsizetype(k) < onPage ? guid != rows[before + qsizetype(k)] : written.contains(guid))
            return false;
    }
    return true;
}

} // namespace

HarvestRun::PageStart HarvestRun::StartOfPair(qsizetype i, qsizetype j, int pageSize) {
    const QStringList rows = std::exchange(rowsOfPairUnderWay_, {});
    const qsizetype written = rows.size();
    if (written == 0 || !worker_.ResumesAtStopPage)
        return {};
    // A page lost before the stop leaves the rows off their pages: the pair is paged anew.
    const auto& lost = record_->History().lostPages;
    if (const auto next = lost.lowerBound({i, j, 0});
        next != lost.end() && next.key().i == i && next.key().j == j)
        return {};
    const QString& cityCode = worker_.CitiesCodesList[i];
    const QString& streetCode = worker_.StreetsCodesList[j];
    const qint64 stopPage = written / pageSize + 1;
    const qsizetype onStopPage = written % pageSize;
    // Stopped at a page boundary, the page before shows where the table ends.
    const qint64 checked = onStopPage > 0 ? stopPage : stopPage - 1;
    if (stopPage > std::numeric_limits<int>::max())
        return {};
    int pageIndex = int(checked);
    const QString answer = LoadPage(pageIndex, pageSize, cityCode, streetCode).text;
    const SearchPageAnswer page(answer);
    const JsonArray* items = page.IsObject() ? page.Items() : nullptr;
    if (pageIndex == 0 || items == nullptr)
        return {}; // a page not had (its lines said why): the pair is paged anew
    const qsizetype onPage = onStopPage > 0 ? onStopPage : pageSize;
    if (!ListingKept(*items, rows, onPage)) {
        Log(QStringLiteral("Список домов изменился после остановки: страница %1 кончается не "
                           "так, как таблица, загружаем пару с первой страницы")
                .arg(checked));
        return {};
    }

    // The rows of the pages before are never met again; those of a page asked once more are.
    const qsizetype accounted = onStopPage > 0 ? written - onStopPage : written;
    for (qsizetype k = 0; k < accounted; ++k)
        SkipsWrittenHouse(rows[k]);
    lastTotal_ = page.Total();
    if (onStopPage > 0 && checked == 1)
        return {1, 0, answer}; // read as page 1 always is
    worker_.ProgressBarMax = std::int32_t(
        std::clamp<std::int64_t>(lastTotal_, 0, std::numeric_limits<std::int32_t>::max()));
    worker_.ProgressBarPosition =
        std::int32_t(std::min<qint64>(accounted, std::numeric_limits<std::int32_t>::max()));
    ShowHouseProgress();
    Log(QStringLiteral("Найдено домов: ") + page.TotalText());
    if (onStopPage > 0)
        return {pageIndex, accounted, answer};
    // The whole stop page is still to come, unless the table holds the pair's every house.
    return {written < lastTotal_ ? int(stopPage) : 0, written, {}};
}
