#include "ui/WindowServices.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QMetaObject>
#include <QUrl>

namespace {

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

void DesktopServices::ShowError(QWidget* parent, const QString& title, const QString& text) {
    ShowBox(parent, QMessageBox::Critical, title, text);
}

void DesktopServices::ShowNotice(QWidget* parent, const QString& title, const QString& text) {
    ShowBox(parent, QMessageBox::NoIcon, title, text);
}

bool DesktopServices::AskYesNo(QWidget* parent, const QString& title, const QString& text) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void DesktopServices::EndProgram(int status) {
    // Queued, so that it also ends a program whose event loop has not begun yet.
    QMetaObject::invokeMethod(
        qApp, [status] { QCoreApplication::exit(status); }, Qt::QueuedConnection);
}

void DesktopServices::OpenDocument(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

DesktopServices& DesktopServices::Instance() {
    static DesktopServices services;
    return services;
}
