// Paging of one city and street pair through the portal's house search.
#include "base/Clock.h"
#include "base/MessageError.h"
#include "harvest/HarvestRun.h"
#include "harvest/RunRecord.h"
#include "harvest/RunWindow.h"
#include "harvest/Scraper.h"
#include "http/PortalClient.h"
#include "portal/PortalAnswers.h"
#include "portal/PortalApi.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int kAttempts = 20;
constexpr std::uint32_t kBlockPauseMs = 180000;
const QString kClosedByPortal = QStringLiteral("ERROR_Connection Closed Gracefully.");

// Whether nothing but spaces and control characters came back.
bool IsBlank(const QString& answer) {
    return std::all_of(answer.begin(), answer.end(), [](QChar c) { return c.unicode() <= 0x20; });
}

// Whether a page can be read: a JSON object, or a blank answer (asked for again).
bool IsReadablePage(const SearchPageAnswer& page, const QString& answer) {
    return page.IsObject() || IsBlank(answer);
}

std::uint32_t IntervalMs(int seconds) {
    return std::uint32_t(
        std::clamp<qint64>(qint64(seconds) * 1000, 0, std::numeric_limits<std::int32_t>::max()));
}

} // namespace

void HarvestRun::HarvestPair(qsizetype i, qsizetype j, int onlyPage) {
    const QString cityCode = worker_.CitiesCodesList[i];
    const QString streetCode = worker_.StreetsCodesList[j];
    const int pageSize = window_.PageSize();
    lastTotal_ = 0; // a pair pages by its own total only
    intervalMs_ = IntervalMs(window_.IntervalSeconds());
    PageStart start = onlyPage == 0 ? StartOfPair(i, j, pageSize) : PageStart{onlyPage, 0, {}};
    int pageIndex = start.pageIndex; // 0 once the pair's paging has ended
    qint64 received = start.received;
    while (pageIndex != 0) {
        intervalMs_ = IntervalMs(window_.IntervalSeconds());
        // A continuation leaves a page lost before the stop to the repair, which puts its
        // houses where they belong rather than after the rows written since.
        const bool lostBefore =
            rewrite_ == nullptr && record_->History().lostPages.contains({i, j, pageIndex});
        const QString asked = std::exchange(start.answer, QString());
        const PageAnswer loaded = lostBefore ? PageAnswer{{}, true}
                                  : asked.isEmpty()
                                      ? LoadPage(pageIndex, pageSize, cityCode, streetCode)
                                      : PageAnswer{asked, false};
        if (pageIndex == 0)
            return; // 404: the portal has no such page

        const SearchPageAnswer page(loaded.text);
        if (!loaded.givenUp)
            lastTotal_ = page.Total();
        if (pageIndex == 1) {
            worker_.ProgressBarMax = std::int32_t(
                std::clamp<std::int64_t>(lastTotal_, 0, std::numeric_limits<std::int32_t>::max()));
            worker_.ProgressBarPosition = 0;
            ShowHouseProgress();
        }
        bool pageHadItems = false;
        if (loaded.givenUp && !lostBefore) {
            // Its lines already said why; this one says what is lost.
            Log(QStringLiteral("Ошибка: страница ") + QString::number(pageIndex) +
                (IsReadablePage(page, loaded.text)
                     ? QStringLiteral(" не загрузилась, дома с нее не загружены")
                     : QStringLiteral(" пришла не полностью или не в формате JSON, дома с нее "
                                      "не загружены")));
            LosePage({i, j, pageIndex});
        } else if (!loaded.givenUp) {
            if (pageIndex == 1)
                Log(QStringLiteral("Найдено домов: ") + page.TotalText());
            if (const JsonArray* items = page.Items(); items && !items->empty()) {
                pageHadItems = true;
                received += qint64(items->size());
                const std::size_t count = items->size();
                for (std::size_t k = 0; k < count; ++k)
                    VisitHouse((*items)[k]);
            }
        }
        // The portal's total ends the paging; a page that lists nobody ends it too, so that a
        // portal announcing more houses than it lists is not asked for pages without end. After
        // a lost page the paging goes on while the total promises further pages; a lost first
        // page leaves no total.
        const bool morePages =
            loaded.givenUp ? qint64(pageIndex) * pageSize < lastTotal_ : pageHadItems;
        if (onlyPage == 0 && received < lastTotal_ && morePages)
            ++pageIndex;
        else
            pageIndex = 0;
    }
}

void HarvestRun::LosePage(const LostPage& page) {
    worker_.WaitWhileHeld();
    if (rewrite_ != nullptr)
        lostInRepair_.insert(page, tableRows_);
    else
        record_->PageLost(page, tableRows_);
}

HarvestRun::PageAnswer HarvestRun::LoadPage(int& pageIndex, int pageSize, const QString& cityCode,
                                            const QString& streetCode) {
    QString answer;
    for (int attempt = 0; attempt < kAttempts;) {
        WaitForInterval();
        LogRequest(QStringLiteral("Загружаем страницу ") + QString::number(pageIndex) +
                   QStringLiteral(" на ") + QString::number(pageSize) + QStringLiteral(" домов"));
        ++attempt;
        try {
            WaitToBegin();
            ApplyPostSettings(*client_);
            answer = client_->Post(HouseSearchUrl(pageIndex, pageSize),
                                   SearchBody(worker_.RegionCode, cityCode, streetCode));
            if (IsBlank(answer)) {
                Log(QStringLiteral("Сайт не выдал никаких данных, повторяем запрос..."));
                throw MessageError(QStringLiteral("Повторяем запрос"));
            }
            StopPoint();
            // A page cut short on its way (or an error page in its place) is asked for again.
            if (!IsReadablePage(SearchPageAnswer(answer), answer))
                throw MessageError(QStringLiteral("страница ") + QString::number(pageIndex) +
                                   QStringLiteral(" пришла не полностью или не в формате JSON"));
        } catch (const std::exception& failure) {
            const QString message = FailureMessage(failure);
            if (WasNotFound(failure)) {
                pageIndex = 0;
                return {};
            }
            PauseAfterError(message);
            if (worker_.result == kClosedByPortal) {
                if (pageIndex == 20)
                    return {answer, true};
                Log(QStringLiteral("Включилась блокировка, делаем паузу 3 минуты"));
                lastSuccessTick_ = clock_.TickCount();
                while (clock_.TickCount() - lastSuccessTick_ < kBlockPauseMs &&
                       !worker_.StopRequested())
                    clock_.Sleep(100);
                StopPoint();
            }
            continue;
        }
        lastSuccessTick_ = clock_.TickCount();
        return {answer, false};
    }
    // Given up: the latest answer that came tells whether the page was blank or cut short.
    return {answer, true};
}
