#pragma once
// Help/Contents (F1): the user guide that ships with the program, shown in
// a window of its own as formatted text with working links between its
// sections. The guide is compiled into the program, so help works before
// (and without) an installed documentation folder; the same text is
// installed as share/doc/Zelkon/guide.md for reading elsewhere.

#include <QPointer>
#include <QString>
#include <QTextBrowser>

namespace zk {

class CommandDispatcher;
class DesktopApp;

namespace HelpCommand {
inline constexpr int contents = 605;
} // namespace HelpCommand

// The guide's Markdown text.
QString userGuide();
// Scrolls the browser to the section its links name ("entering-items");
// false when the guide has no such section.
bool showGuideSection(QTextBrowser& browser, const QString& section);

class HelpCommands {
public:
    explicit HelpCommands(DesktopApp& app);
    void install(CommandDispatcher& dispatcher);
    // Opens the guide, or raises its window when it is open.
    void showContents();
    QTextBrowser* window() const { return window_; }

private:
    DesktopApp& app_;
    QPointer<QTextBrowser> window_;
};

} // namespace zk
