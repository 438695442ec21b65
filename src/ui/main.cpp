// The program: the title, the main window, the event loop.
#include "ui/ApplicationSetup.h"
#include "ui/MainForm.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    SetUpApplication();
    MainForm form;
    form.show();
    return QApplication::exec();
}
