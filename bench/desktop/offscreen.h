#pragma once
// The application of a benchmark of windows: on the offscreen platform,
// without boxes waiting for an answer, made once and never destroyed, since
// a benchmark ends after Qt's own statics may be gone.

#include <QApplication>

#include <cstdlib>

namespace zk::benchsupport {

inline QApplication& offscreenApplication()
{
    static int argc = 1;
    static char name[] = "zelkon-bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("ZELKON_UNATTENDED", "1", 1);
        return new QApplication(argc, argv);
    }();
    return *app;
}

} // namespace zk::benchsupport
