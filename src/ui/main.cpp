// The program: the title, the main window, the event loop.
#include "ui/MainForm.h"
#include "ui/ProgramTitle.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(ProgramTitle());
    QApplication::setDesktopFileName(QStringLiteral("house-export"));
    // The window decides when the program ends: a run still under way is ended first.
    QApplication::setQuitOnLastWindowClosed(false);
    MainForm form;
    form.show();
    return QApplication::exec();
}
