#pragma once
// The schedule window's own commands: Horizontal, Vertical and Quad Tiling
// (85, 86, 87), Define Week View (76), Time Graph (392: entry heights
// follow their minutes), Increase and Decrease (=, -, 1362, 1363: the schedule text's size), the screen and
// printer fonts (205, 210, 211, 214, 216, 350, 494) and Colors (457); and
// the main window's title, kept current by the tick.
//
// Each change is stored in the settings (or the header, for the week
// view's days) and shown at once.

#ifndef Q_MOC_RUN
#include "shell/model/settings.h"
#endif

#include <QString>

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace zk {

class CommandDispatcher;
class DesktopApp;

namespace WindowCommand {
inline constexpr int defineWeekView = 76;
inline constexpr int timeGraph = 392;
inline constexpr int increase = 1362;
inline constexpr int decrease = 1363;
inline constexpr int colors = 457;
} // namespace WindowCommand

// The font setting each font command chooses.
std::optional<FontSetting> fontOfCommand(int command);
// The font's size one step larger or smaller (tenths of a point), within
// 6 and 72 points.
int steppedFontSize(int size, int steps);

class WindowCommands {
public:
    // Stands in for the font and colour dialogs (tests): given the current
    // value, the chosen one or none.
    using FontChooser = std::function<std::optional<FontSpec>(const FontSpec&, const QString& title)>;
    using ColourChooser = std::function<std::optional<long>(long colorRef, const QString& title)>;

    explicit WindowCommands(DesktopApp& app);

    void install(CommandDispatcher& dispatcher);
    void setFontChooser(FontChooser chooser) { fontChooser_ = std::move(chooser); }
    void setColourChooser(ColourChooser chooser) { colourChooser_ = std::move(chooser); }

    // The stored tiling and toolbar, once the settings are read.
    void applyStored();
    // The title as the header and settings form it now.
    std::string title() const;
    // Sets the main window's title when it changed (every tick).
    void updateTitle();
    // The schedules area was maximised: the toolbar goes or comes back.
    void maximised();

    void setTiling(int command);
    void defineWeekView();
    void chooseFont(int command);
    void chooseColours();
    void stepTextSize(int steps);

private:
    void changed();

    DesktopApp& app_;
    FontChooser fontChooser_;
    ColourChooser colourChooser_;
};

} // namespace zk
