// One house of a search page: its coordinates, passport and card, then its row.
#include "base/Clock.h"
#include "harvest/HarvestRun.h"
#include "harvest/RunRecord.h"
#include "harvest/RunWindow.h"
#include "harvest/Scraper.h"
#include "http/PortalClient.h"
#include "portal/PortalAnswers.h"
#include "portal/PortalApi.h"
#include "records/HouseRow.h"
#include "records/OutputTable.h"
#include "records/PassportFiles.h"
#include "records/RecordsError.h"

#include <limits>

namespace {

constexpr int kAttempts = 20;
constexpr std::uint32_t kFailedHousePauseMs = 10000;

} // namespace

void HarvestRun::VisitHouse(const JsonValue& item) {
    if (worker_.ProgressBarPosition < std::numeric_limits<std::int32_t>::max())
        ++worker_.ProgressBarPosition;
    const QString guid = HouseGuid(&item);
    // A house whose row a continued run already has is passed by unshown: the window counts
    // the houses it sees begin for the pace, and this one costs no time.
    if (SkipsWrittenHouse(guid))
        return;
    ShowHouseProgress();
    const HouseAnswers answers = FetchHouse(guid, HouseCardUrl(HouseTypeCode(&item), guid),
                                            kCoordinatesPart | kPassportPart | kCardPart);
    const QStringList row = BuildHouseRow(item, answers.map, answers.passport, answers.card);
    worker_.WaitWhileHeld();
    // Recorded before the row: a kill between them leaves a house without row, which the
    // continuation drops from the list and visits again.
    if (answers.missing != 0)
        record_->Incomplete(guid, answers.missing);
    try {
        table_->AppendRow(row);
    } catch (const RecordsError& failure) {
        throw TableWriteFailed{failure.message()};
    }
    ++tableRows_;
}

HarvestRun::HouseAnswers HarvestRun::FetchHouse(const QString& guid, const QString& cardUrl,
                                                int parts) {
    HouseAnswers answers;
    if ((parts & kCoordinatesPart) && window_.RequestCoordinates() &&
        !HouseAttempts(QStringLiteral("Загружаем координаты для дома ") + guid,
                       [&] { answers.map = client_->Get(MapLookupUrl(guid)); }))
        answers.missing |= kCoordinatesPart;

    if ((parts & kPassportPart) && window_.RequestPassports()) {
        QByteArray passportBytes;
        const bool answered = HouseAttempts(
            QStringLiteral("Загружаем паспорт для дома ") + guid,
            [&] {
                ApplyPostSettings(*client_);
                passportBytes = client_->PostRaw(PassportSearchUrl(), PassportBody(guid));
                answers.passport = QString::fromUtf8(passportBytes);
            },
            [&] {
                if (savePassports_ && window_.SavePassports()) {
                    if (!IsSafePassportName(guid)) {
                        // Asking again cannot make the name safe: say so once, keep the row.
                        Log(QStringLiteral("Ошибка: паспорт дома \"") + guid +
                            QStringLiteral("\" не сохранен: такое имя файла небезопасно"));
                        return;
                    }
                    WaitToBegin();
                    SavePassport(directory_, guid, passportBytes);
                }
            });
        if (!answered)
            answers.missing |= kPassportPart;
    }

    if ((parts & kCardPart) && window_.RequestCards() &&
        !HouseAttempts(QStringLiteral("Загружаем карточку для дома ") + guid,
                       [&] { answers.card = client_->Get(cardUrl); }))
        answers.missing |= kCardPart;
    return answers;
}

bool HarvestRun::HouseAttempts(const QString& message, const std::function<void()>& send,
                               const std::function<void()>& keep) {
    for (int attempt = 0; attempt < kAttempts;) {
        WaitForInterval();
        LogRequest(message);
        ++attempt;
        try {
            WaitToBegin();
            send();
            StopPoint();
            lastSuccessTick_ = clock_.TickCount();
            if (keep)
                keep();
            return true;
        } catch (const std::exception& failure) {
            const QString text = FailureMessage(failure);
            if (WasNotFound(failure))
                return true;
            PauseAfterError(text);
            // In one piece for the stop button; only leaving the program cuts it short.
            for (std::uint32_t slept = 0; slept < kFailedHousePauseMs && !worker_.StoppingNow();
                 slept += 100)
                clock_.Sleep(100);
        }
    }
    return false;
}
