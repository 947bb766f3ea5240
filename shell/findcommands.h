#pragma once
// Find in the desktop program: "Find..." (Ctrl+F, 1067, and 763) opens the
// Find window, "Repeat Find" (348) searches forward and "Earlier Find"
// (349) backward from the selection with the texts kept for the session.
// In a list view the list is searched, in the other views the days; the
// month view turns to the single schedule view first.

#ifndef Q_MOC_RUN
#include "shell/model/find.h"
#endif

#include <QPointer>

namespace zk {

class DesktopApp;
class DesktopCommands;
class FindWindow;

inline constexpr int kFindCommand = 1067;
inline constexpr int kFindFileCommand = 763;
inline constexpr int kRepeatFindCommand = 348;
inline constexpr int kEarlierFindCommand = 349;

class FindCommands {
public:
    FindCommands(DesktopApp& app, DesktopCommands& commands);
    ~FindCommands();

    void openWindow();
    // True when something was found.
    bool search(FindMode mode);
    FindWindow* window() const;
    const FindTexts& texts() const { return texts_; }

private:
    FindHooks hooks();

    DesktopApp& app_;
    DesktopCommands& commands_;
    FindTexts texts_;
    QPointer<FindWindow> window_;
};

} // namespace zk
