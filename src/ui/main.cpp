// The program: --version, the application's settings, the main window, the event loop.
#include "ui/ApplicationSetup.h"
#include "ui/MainForm.h"

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
    SetUpApplication();
    MainForm form;
    form.show();
    return QApplication::exec();
}
