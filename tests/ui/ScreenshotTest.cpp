// Pictures of the window as the user sees it, after a region choice and during a run, written as
// PNG files into $HX_SCREENSHOT_DIR (default: the system's temporary folder).
#include "FakeClock.h"
#include "SimulatedPortal.h"
#include "UiTestSupport.h"

#include <QDir>
#include <QPixmap>
#include <QProgressBar>
#include <QSpinBox>

namespace {

QString ScreenshotPath(const char* name) {
    const QString folder = qEnvironmentVariableIsSet("HX_SCREENSHOT_DIR")
                               ? qEnvironmentVariable("HX_SCREENSHOT_DIR")
                               : QDir::tempPath();
    return folder + QLatin1Char('/') + QLatin1String(name);
}

void Save(QWidget& form, const char* name) {
    const QString path = ScreenshotPath(name);
    const QPixmap picture = form.grab();
    EXPECT_EQ(picture.size(), QSize(894, 750));
    EXPECT_TRUE(picture.save(path)) << path.toStdString();
    std::cout << "screenshot: " << path.toStdString() << '\n';
}

TEST(Screenshots, AfterARegionChoiceAndDuringARun) {
    SimulatedPortal portal(
        QStringLiteral(R"({"rules": [{"endpoint": "map", "fault": "delay", "seconds": 0.3}]})"));
    ProgramFolder folder;
    RecordingServices services;
    FakeClock clock(1000);
    MainForm form(MainForm::Setup{folder.Path(), &clock, &services,
                                  [](Scraper&) { /* the table is enough */ }});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(WaitUntil([&] { return LogLines(form).size() == 2; }));
    ChooseRegion(Control<QComboBox>(form, "RegionComboBox"), 1);
    ASSERT_TRUE(WaitUntil([&] { return LogLines(form).size() == 8; }));
    Save(form, "mainform-region.png");

    Control<QSpinBox>(form, "IntervalSpinEdit")->setValue(0);
    QTest::mouseClick(Control<QWidget>(form, "StartButton"), Qt::LeftButton);
    const auto* houses = Control<QProgressBar>(form, "ProgressBar");
    ASSERT_TRUE(WaitUntil([&] { return houses->value() >= 3; }));
    Save(form, "mainform-run.png");
    QTest::mouseClick(Control<QWidget>(form, "StopButton"), Qt::LeftButton);
    ASSERT_TRUE(WaitUntil([&] { return form.CurrentWorker() == nullptr; }));
}

} // namespace
