// One house of a search page: its coordinates, passport and card, then its row.
#include "base/Clock.h"
#include "harvest/HarvestRun.h"
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
    ShowHouseProgress();

    const QString guid = HouseGuid(&item);
    const QString cardUrl = HouseCardUrl(HouseTypeCode(&item), guid);

    QString mapText;
    if (window_.RequestCoordinates())
        HouseAttempts(QStringLiteral("Загружаем координаты для дома ") + guid,
                      [&] { mapText = client_->Get(MapLookupUrl(guid)); });

    QString passportText;
    if (window_.RequestPassports()) {
        QByteArray passportBytes;
        HouseAttempts(
            QStringLiteral("Загружаем паспорт для дома ") + guid,
            [&] {
                ApplyPostSettings(*client_);
                passportBytes = client_->PostRaw(PassportSearchUrl(), PassportBody(guid));
                passportText = QString::fromUtf8(passportBytes);
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
    }

    QString cardText;
    if (window_.RequestCards())
        HouseAttempts(QStringLiteral("Загружаем карточку для дома ") + guid,
                      [&] { cardText = client_->Get(cardUrl); });

    const QStringList row = BuildHouseRow(item, mapText, passportText, cardText);
    worker_.WaitWhileHeld();
    try {
        table_->AppendRow(row);
    } catch (const RecordsError& failure) {
        throw TableWriteFailed{failure.message()};
    }
}

void HarvestRun::HouseAttempts(const QString& message, const std::function<void()>& send,
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
            return;
        } catch (const std::exception& failure) {
            const QString text = FailureMessage(failure);
            if (WasNotFound(failure))
                return;
            PauseAfterError(text);
            // In one piece for the stop button; only leaving the program cuts it short.
            for (std::uint32_t slept = 0; slept < kFailedHousePauseMs && !worker_.StoppingNow();
                 slept += 100)
                clock_.Sleep(100);
        }
    }
}
