#pragma once

#include <QString>

class QWidget;

// What the window asks of the desktop around it: modal message boxes, ending the program and
// opening a finished workbook. The program uses the desktop; tests record the calls instead of
// blocking on a modal box.
class WindowServices {
public:
    virtual ~WindowServices() = default;

    // The top-level error report: the program title, an error icon, one OK button.
    virtual void ShowError(QWidget* parent, const QString& title, const QString& text) = 0;
    // A notice: no icon, one OK button.
    virtual void ShowNotice(QWidget* parent, const QString& title, const QString& text) = 0;
    // A question: a question icon, the buttons Yes and No; true for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& title, const QString& text) = 0;
    // Leaves the event loop; the program then ends with this status.
    virtual void EndProgram(int status) = 0;
    // Hands a file to the desktop to be opened; the outcome is not checked.
    virtual void OpenDocument(const QString& path) = 0;
};

// The real desktop: QMessageBox, QCoreApplication::exit, QDesktopServices.
class DesktopServices final : public WindowServices {
public:
    void ShowError(QWidget* parent, const QString& title, const QString& text) override;
    void ShowNotice(QWidget* parent, const QString& title, const QString& text) override;
    bool AskYesNo(QWidget* parent, const QString& title, const QString& text) override;
    void EndProgram(int status) override;
    void OpenDocument(const QString& path) override;

    static DesktopServices& Instance();
};
