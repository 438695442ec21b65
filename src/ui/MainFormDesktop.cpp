// The window's desktop services around a run: the sleep inhibitor while it works, and the
// notice with its figures when a long run has ended.
#include "base/Clock.h"
#include "base/RussianPlural.h"
#include "desktop/DesktopBuses.h"
#include "desktop/DesktopNotice.h"
#include "desktop/SleepInhibitor.h"
#include "harvest/Scraper.h"
#include "ui/MainForm.h"

#include <QApplication>
#include <QFileInfo>

namespace {

// A run shorter than this ended under the user's eyes: no notice.
constexpr std::uint32_t kNoticeAfterMs = 60000;

QString EndSummary(const Scraper& worker) {
    if (worker.Failed())
        return QStringLiteral("Выгрузка прервана ошибкой");
    if (worker.StopRequested())
        return QStringLiteral("Выгрузка остановлена");
    return QStringLiteral("Выгрузка завершена");
}

QString EndBody(const Scraper::Outcome& made) {
    QString body = QStringLiteral("В таблицу записано %1, с неполными данными %2.")
                       .arg(CountOf(made.rows, QStringLiteral("дом"), QStringLiteral("дома"),
                                    QStringLiteral("домов")))
                       .arg(made.incomplete);
    if (made.lostPages > 0)
        body += QStringLiteral(" Страниц поиска не загружено: %1.").arg(made.lostPages);
    if (!made.workbookPath.isEmpty())
        body += QStringLiteral(" Книга: ") + QFileInfo(made.workbookPath).fileName();
    return body;
}

} // namespace

void MainForm::KeepAwake(bool on) {
    if (!inhibitor_)
        return;
    if (!on) {
        inhibitor_->Release();
        return;
    }
    if (!inhibitor_->Take() && !sleepWarned_) {
        sleepWarned_ = true;
        LogStamped(SleepInhibitor::UnavailableText());
    }
}

void MainForm::NoteRunStart() {
    runStartTick_ = clock_->TickCount();
    sleepWarned_ = false;
    KeepAwake(true);
}

void MainForm::NoteRunEnd(const Scraper* worker) {
    KeepAwake(false);
    if (worker == nullptr || clock_->TickCount() - runStartTick_ <= kNoticeAfterMs)
        return;
    endSummary_ = EndSummary(*worker);
    endBody_ = EndBody(worker->Made);
}

void MainForm::AnnounceEnd() {
    if (endSummary_.isEmpty())
        return;
    if (desktop_ && !closing_)
        SendDesktopNotice(desktop_->session, windowTitle(), endSummary_, endBody_);
    if (!closing_)
        QApplication::alert(this);
    endSummary_.clear();
    endBody_.clear();
}
