#pragma once

#include "PortalSimProcess.h"
#include "ui/MainForm.h"
#include "ui/WindowServices.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

// The desktop as the window tests see it: message boxes, the end of the program and opened
// files are recorded instead of blocking the test.
class RecordingServices final : public WindowServices {
public:
    struct Box {
        QString title;
        QString text;
    };

    void ShowError(QWidget*, const QString& title, const QString& text) override {
        errors.push_back({title, text});
    }
    void ShowNotice(QWidget*, const QString& title, const QString& text) override {
        notices.push_back({title, text});
    }
    // Answers the questions in turn from `answers`; No when none is left.
    bool AskYesNo(QWidget*, const QString& title, const QString& text) override {
        questions.push_back({title, text});
        return !answers.isEmpty() && answers.takeFirst();
    }
    void EndProgram(int status) override { endStatuses.append(status); }
    void OpenDocument(const QString& path) override {
        opened.append(path);
        if (onOpen)
            onOpen(path);
    }

    std::vector<Box> errors;
    std::vector<Box> notices;
    std::vector<Box> questions;
    QList<bool> answers;
    QList<int> endStatuses;
    QStringList opened;
    std::function<void(const QString&)> onOpen;
};

// A program folder that passes the start-up checks: the TLS library file is there.
class ProgramFolder {
public:
    ProgramFolder() {
        QFile library(Path() + QStringLiteral("libssl.so.3"));
        EXPECT_TRUE(library.open(QIODevice::WriteOnly));
    }
    QString Path() const { return folder_.Path() + QLatin1Char('/'); }

private:
    TemporaryFolder folder_;
};

// A folder that this thread truly cannot write while the object lives: no write permission, and
// the override of permissions that root has (CAP_DAC_OVERRIDE) left out of the thread's
// effective capabilities, so that the suite means the same run as root and as a user. Threads
// started meanwhile inherit the narrowed set.
class UnwritableFolder {
public:
    explicit UnwritableFolder(const QString& path) : path_(QFile::encodeName(path)) {
        EXPECT_EQ(::chmod(path_.constData(), 0555), 0);
        EXPECT_EQ(::syscall(SYS_capget, &header_, saved_), 0);
        __user_cap_data_struct narrowed[2] = {saved_[0], saved_[1]};
        narrowed[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        EXPECT_EQ(::syscall(SYS_capset, &header_, narrowed), 0);
    }
    ~UnwritableFolder() {
        ::syscall(SYS_capset, &header_, saved_);
        ::chmod(path_.constData(), 0755);
    }
    UnwritableFolder(const UnwritableFolder&) = delete;
    UnwritableFolder& operator=(const UnwritableFolder&) = delete;

private:
    QByteArray path_;
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};

template <typename T> T* Control(const QWidget& form, const char* name) {
    T* control = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

inline QStringList LogLines(const QWidget& form) {
    const QString text = Control<QPlainTextEdit>(form, "LogsMemo")->toPlainText();
    return text.isEmpty() ? QStringList{} : text.split(QLatin1Char('\n'));
}

inline QStringList Texts(const QListWidget* list) {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}

inline QList<int> SelectedRows(const QListWidget* list) {
    QList<int> rows;
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->isSelected())
            rows.append(row);
    return rows;
}

// A click on a list row as the user makes it, with keyboard modifiers.
inline void ClickRow(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = {}) {
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
}

// The user picks the region at `index` with the keyboard (one step down from the entry above).
inline void ChooseRegion(QComboBox* regions, int index) {
    if (index == 0) {
        regions->setCurrentIndex(1);
        QTest::keyClick(regions, Qt::Key_Up);
        return;
    }
    regions->setCurrentIndex(index - 1);
    QTest::keyClick(regions, Qt::Key_Down);
}

// Generous bound for one directory operation or a short run on a loaded machine.
constexpr int kWaitMs = 30000;

// Lets the window's events run until the condition holds or the time is up; whether it holds.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = kWaitMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}
