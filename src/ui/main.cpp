// The program: --version, the title, the main window, the event loop.
#include "ui/MainForm.h"
#include "ui/ProgramTitle.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    // Answered before the toolkit starts, so that it needs no desktop.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("house-export " HX_VERSION);
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(ProgramTitle());
    QApplication::setDesktopFileName(QStringLiteral("house-export"));
    // The window decides when the program ends: a run still under way is ended first.
    QApplication::setQuitOnLastWindowClosed(false);
    MainForm form;
    form.show();
    return QApplication::exec();
}
