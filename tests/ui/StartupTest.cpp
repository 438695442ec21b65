// Start-up: the checks of the program's folder with their messages, the window's reaction to a
// failed check, and the program folder that the build makes (the TLS libraries beside it).
#include "UiTestSupport.h"
#include "ui/ApplicationSetup.h"
#include "ui/StartupChecks.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>

namespace {

QString Str(const char* utf8) {
    return QString::fromUtf8(utf8);
}

const QString kAdvice = Str("Для корректной работы программы извлеките файлы программы из архива в "
                            "отдельную папку. Это можно сделать, кликнув правой кнопкой мыши на "
                            "архиве и выбрав пункт меню \"Извлечь все\"");

QString Message(int check) {
    switch (check) {
    case 1:
        return Str("Вы запустили программу изнутри архива!\r\n") + kAdvice;
    case 2:
        return Str("Программа запущена из временной папки!\r\n"
                   "Скорее всего, Вы запустили программу изнутри архива.\r\n") +
               kAdvice;
    case 3:
        return Str("Программа не обнаружила необходимые для работы файлы!\r\n"
                   "Вероятно, Вы запустили программу изнутри архива!\r\n") +
               kAdvice;
    default:
        return {};
    }
}

struct CheckCase {
    const char* folder; // below a temporary folder
    bool library;       // libssl.so.3 lies in it
    int failedCheck;    // 0: all checks pass
};

const CheckCase kChecks[] = {
    {"Rar$DIa1234.567/prog", true, 1},
    {"rar$x/prog", true, 0}, // check 1 minds the letter case
    {"Rar$EX01/Temp/prog", false, 1},
    {"Temp/prog", true, 2},
    {"x/temp", true, 2},
    {"x/TEMP", false, 2},
    {"x/tEmP/y", true, 2},
    {"Temporary/prog", true, 0},
    {"x/mytemp", true, 0},
    {"x/temp1/y", true, 0},
    {"ok", false, 3},
    {"ok", true, 0},
};

TEST(StartupChecks, EachCheckInOrderWithItsMessage) {
    for (const CheckCase& c : kChecks) {
        SCOPED_TRACE(c.folder);
        TemporaryFolder base;
        const QString folder = base.Path() + QLatin1Char('/') + Str(c.folder) + QLatin1Char('/');
        ASSERT_TRUE(QDir().mkpath(folder));
        if (c.library) {
            QFile library(folder + QStringLiteral("libssl.so.3"));
            ASSERT_TRUE(library.open(QIODevice::WriteOnly));
        }
        EXPECT_EQ(StartupCheckMessage(folder), Message(c.failedCheck));
    }
}

TEST(StartupChecks, AFailedCheckShowsItsNoticeAndEndsTheProgramWithStatusZero) {
    for (const bool fails : {true, false}) {
        SCOPED_TRACE(fails ? "inside a temporary folder" : "in a good folder");
        TemporaryFolder base;
        const QString folder =
            base.Path() + (fails ? QStringLiteral("/TEMP/") : QStringLiteral("/prog/"));
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile library(folder + QStringLiteral("libssl.so.3"));
        ASSERT_TRUE(library.open(QIODevice::WriteOnly));
        RecordingServices services;
        MainForm form(MainForm::Setup{folder, nullptr, &services, {}});
        form.show();
        QTest::qWait(0);
        const auto* startup = Control<QTimer>(form, "StartupTimer");
        if (fails) {
            ASSERT_EQ(services.notices.size(), 1u);
            EXPECT_EQ(services.notices[0].title, Str("Внимание!"));
            // Qt appends a display name, once set, to every title the window system shows.
            SetUpApplication();
            EXPECT_EQ(QGuiApplication::applicationDisplayName(),
                      QCoreApplication::applicationName());
            EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), Str("&Да"));
            EXPECT_EQ(services.notices[0].text, Message(2));
            EXPECT_EQ(services.endStatuses, QList<int>{0});
            EXPECT_FALSE(startup->isActive()) << "nothing after a failed check runs";
            EXPECT_FALSE(form.isVisible());
        } else {
            EXPECT_TRUE(services.notices.empty());
            EXPECT_TRUE(services.endStatuses.isEmpty());
            EXPECT_TRUE(startup->isActive());
        }
    }
}

// The program folder is self-contained: both TLS libraries beside the executable, which finds
// them there through its RPATH $ORIGIN.
TEST(ProgramFolder, TheTlsLibrariesLieBesideTheExecutableThatLoadsThem) {
    const QFileInfo program(QStringLiteral(HOUSE_EXPORT_FILE));
    const QString folder = program.absolutePath() + QLatin1Char('/');
    EXPECT_EQ(StartupCheckMessage(folder), QString()) << folder.toStdString();
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("libcrypto.so.3")));

    QProcess readelf;
    readelf.start(QStringLiteral("readelf"), {QStringLiteral("-d"), program.filePath()});
    ASSERT_TRUE(readelf.waitForFinished(30000));
    const QString dynamic = QString::fromUtf8(readelf.readAllStandardOutput());
    EXPECT_TRUE(dynamic.contains(QStringLiteral("(RPATH)")) &&
                dynamic.contains(QStringLiteral("[$ORIGIN]")))
        << dynamic.toStdString();

    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {program.filePath()});
    ASSERT_TRUE(ldd.waitForFinished(30000));
    const QString libraries = QString::fromUtf8(ldd.readAllStandardOutput());
    for (const char* name : {"libssl.so.3", "libcrypto.so.3"})
        EXPECT_TRUE(libraries.contains(QLatin1String(name) + QStringLiteral(" => ") + folder +
                                       QLatin1String(name)))
            << libraries.toStdString();
}

} // namespace
