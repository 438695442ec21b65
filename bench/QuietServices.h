#pragma once

#include "ui/WindowServices.h"

#include <QString>
#include <cstdio>

// The desktop for a benchmark's window: error boxes go to standard error, questions are
// answered No, nothing is opened and nothing ends the program.
class QuietServices final : public WindowServices {
public:
    void ShowError(QWidget*, const QString& title, const QString& text) override {
        std::fprintf(stderr, "error box: %s: %s\n", qPrintable(title), qPrintable(text));
    }
    void ShowNotice(QWidget*, const QString&, const QString&) override {}
    bool AskYesNo(QWidget*, const QString&, const QString&) override { return false; }
    void EndProgram(int) override {}
    void OpenDocument(const QString&) override {}
};
