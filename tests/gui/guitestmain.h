#pragma once
// The one QApplication of the window tests. Every fixture calls
// guiApplication() before it makes a widget; the first call creates the
// application, later ones return it. The tests run on the offscreen
// platform unless QT_QPA_PLATFORM says otherwise.

#include <QApplication>

#include <cstdlib>

namespace zk::testsupport {

inline QApplication& guiApplication()
{
    static int argc = 1;
    static char name[] = "zelkon_gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new QApplication(argc, argv);
    }();
    return *application;
}

} // namespace zk::testsupport
