// The UI suites' entry: one QApplication for every test, on the offscreen platform unless a
// platform is given.
#include <QApplication>
#include <gtest/gtest.h>

// ThreadSanitizer sees only our own code: Qt's libraries are not instrumented, and memory that
// Qt allocates on one thread and frees on one of its pooled threads, handed over under Qt's own
// futex-based locks, looks like a race to it. Allocations and frees made by Qt itself are left
// out; every access of our code is still checked.
// The same holds for the end of a worker's thread: Qt reads the worker's meta-object as the
// thread finishes, and QThread::wait, which tells the window that it may delete the worker, waits
// on Qt's own lock.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "called_from_lib:libQt6DBus.so.6\n"
           "race:Scraper::metaObject\n";
}

// QProcess starts its children with a vfork-like clone that shares the parent's memory, and
// ThreadSanitizer then takes the parent for a child of a multi-threaded fork.
extern "C" const char* __tsan_default_options() {
    return "die_after_fork=0";
}

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
