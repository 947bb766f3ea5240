#include "shell/windowcommands.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "core/text.h"
#include "engine/interfacemode.h"
#include "engine/linetext.h"
#include "platform/fault.h"
#include "platform/messages.h"
#include "sharing/session.h"
#include "sharing/workgroup.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/menubar.h"
#include "shell/model/commanddispatch.h"
#include "shell/model/panelines.h"
#include "views/daypane.h"
#include "views/schedulesarea.h"
#include "views/statusdisplay.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include <bit>
#include <cstdio>

namespace zk {

namespace {

constexpr int kSmallestFontSize = 60;   // tenths of a point
constexpr int kLargestFontSize = 720;
constexpr int kFontStep = 10;

struct FontCommand {
    int command;
    FontSetting setting;
    const char* title;
};
constexpr FontCommand kFontCommands[] = {
    {210, FontSetting::ScreenNormal, "Single Schedule Text"},
    {214, FontSetting::ScreenHeading, "Single Schedule Headings"},
    {211, FontSetting::ScreenSmall, "Task Begin Times"},
    {494, FontSetting::ScreenMonth, "Month View Text"},
    {205, FontSetting::PrintNormal, "Printed Normal Text"},
    {216, FontSetting::PrintHeading, "Printed Headings"},
    {350, FontSetting::PrintOutlook, "Extended Outlook / Task Begin Times"},
};

struct ColourRow {
    ColorSetting setting;
    const char* label;
};
constexpr ColourRow kColourRows[] = {
    {ColorSetting::ColorNormalBackground, "Background"},
    {ColorSetting::ColorNormalText, "Text"},
    {ColorSetting::ColorFluid, "Floating items"},
    {ColorSetting::ColorUnscheduled, "Free time"},
    {ColorSetting::ColorDone, "Done items"},
};

FontSpec fontSpecOf(const QFont& font)
{
    FontSpec chosen;
    chosen.face = std::string(utf8Prefix(font.family().toStdString(), kMaxFontFace));
    chosen.size = std::clamp(static_cast<int>(font.pointSizeF() * 10 + 0.5), kSmallestFontSize, kLargestFontSize);
    chosen.style = (font.bold() ? FontStyle::bold : 0) | (font.italic() ? FontStyle::italic : 0) |
                 (font.underline() ? FontStyle::underline : 0);
    return chosen;
}

QString swatchStyle(long colorRef)
{
    return QStringLiteral("background-color: %1;").arg(qColorOf(static_cast<std::uint32_t>(colorRef)).name());
}

} // namespace

std::optional<FontSetting> fontOfCommand(int command)
{
    for (const FontCommand& f : kFontCommands)
        if (f.command == command)
            return f.setting;
    return std::nullopt;
}

int steppedFontSize(int size, int steps)
{
    return std::clamp(size + steps * kFontStep, kSmallestFontSize, kLargestFontSize);
}

WindowCommands::WindowCommands(DesktopApp& app) : app_(app)
{
    fontChooser_ = [this](const FontSpec& current, const QString& title) -> std::optional<FontSpec> {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, fontOf(current, QFont()), &app_.window(), title);
        return ok ? std::optional<FontSpec>(fontSpecOf(chosen)) : std::nullopt;
    };
    colourChooser_ = [this](long colorRef, const QString& title) -> std::optional<long> {
        const QColor chosen =
            QColorDialog::getColor(qColorOf(static_cast<std::uint32_t>(colorRef)), &app_.window(), title);
        return chosen.isValid() ? std::optional<long>(colorRefOfQColor(chosen)) : std::nullopt;
    };
    app_.window().setMaximisedChanged([this] { maximised(); });
}

void WindowCommands::install(CommandDispatcher& dispatcher)
{
    for (int command : {Command::horizontalTiling, Command::horizontalTiling + 1, Command::quadTiling})
        dispatcher.setHandler(command, [this](int c) { setTiling(c); });
    dispatcher.setHandler(WindowCommand::defineWeekView, [this](int) { defineWeekView(); });
    dispatcher.setHandler(WindowCommand::timeGraph, [this](int) {
        Settings& settings = app_.preferences();
        settings.setOn(IntSetting::Timespace, !settings.isOn(IntSetting::Timespace));
        changed();
    });
    dispatcher.setHandler(WindowCommand::increase, [this](int) { stepTextSize(1); });
    dispatcher.setHandler(WindowCommand::decrease, [this](int) { stepTextSize(-1); });
    for (const FontCommand& f : kFontCommands)
        dispatcher.setHandler(f.command, [this](int c) { chooseFont(c); });
    dispatcher.setHandler(WindowCommand::colors, [this](int) { chooseColours(); });
}

void WindowCommands::applyStored()
{
    const int tiling = app_.preferences().windowRow().tilingCommand;
    if (tiling >= Command::horizontalTiling && tiling <= Command::quadTiling)
        app_.window().schedulesArea().setTiling(static_cast<Tiling>(tiling));
    if (QToolBar* bar = app_.commands().menus().toolBar())
        bar->setVisible(app_.preferences().isOn(IntSetting::Toolbar));
}

std::string WindowCommands::title() const
{
    char version[32];
    std::snprintf(version, sizeof version, "Zelkon %.2f", kProgramVersion);
    bool pro = false;
    std::string user;
    if (BackgroundWork::Hold hold = app_.backgroundWork().tryHold()) {
        pro = isProMode(app_.session().schedule().header);
        user = userNameOf(app_.session().schedule().header, app_.session().settings().userName);
    } else {
        return app_.window().windowTitle().toStdString();
    }
    return mainWindowTitle(version, pro, user);
}

void WindowCommands::updateTitle()
{
    if (app_.initialising() || !app_.session().isOpen())
        return;
    const QString text = QString::fromStdString(title());
    if (app_.window().windowTitle() != text)
        app_.window().setWindowTitle(text);
}

void WindowCommands::maximised()
{
    if (app_.initialising())
        return;
    Settings& settings = app_.preferences();
    settings.setOn(IntSetting::Toolbar, !settings.isOn(IntSetting::Toolbar));
    if (QToolBar* bar = app_.commands().menus().toolBar())
        bar->setVisible(settings.isOn(IntSetting::Toolbar));
    app_.saveSettingsNow();
    app_.window().update();
}

void WindowCommands::setTiling(int command)
{
    app_.preferences().windowRow().tilingCommand = command;
    app_.window().schedulesArea().setTiling(static_cast<Tiling>(command));
    app_.saveSettingsNow();
    app_.commands().refresh();
}

// The week view's days: one box per weekday, from the first day of the
// week; the view gets as many panes as days are checked.
void WindowCommands::defineWeekView()
{
    if (app_.initialising())
        return;
    ViewLayout layout;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        layout = viewLayoutOf(app_.session().schedule().header);
    }
    QDialog dialog(&app_.window());
    dialog.setObjectName(QStringLiteral("DefineWeekView"));
    dialog.setWindowTitle(QStringLiteral("Define Week View"));
    auto* boxes = new QVBoxLayout;
    std::array<QCheckBox*, 7> days{};
    const bool monday = app_.preferences().isOn(IntSetting::WeekStartsMon);
    for (int i = 0; i < 7; ++i) {
        const int weekday = (i + (monday ? 1 : 0)) % 7;
        auto* box = new QCheckBox(QString::fromStdString(weekdayName(weekday, app_.regional())));
        box->setObjectName(QStringLiteral("weekday%1").arg(weekday));
        box->setChecked(layout.weekMask & (1u << weekday));
        days[static_cast<std::size_t>(weekday)] = box;
        boxes->addWidget(box);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        for (QCheckBox* box : days)
            if (box->isChecked())
                return dialog.accept();
        app_.messages().information("Choose at least one day for the week view.");
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layoutBox = new QVBoxLayout(&dialog);
    layoutBox->addLayout(boxes);
    layoutBox->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    std::uint8_t mask = 0;
    for (int weekday = 0; weekday < 7; ++weekday)
        if (days[static_cast<std::size_t>(weekday)]->isChecked())
            mask |= static_cast<std::uint8_t>(1u << weekday);
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Schedule& schedule = app_.session().schedule();
        ViewLayout stored = viewLayoutOf(schedule.header);
        stored.weekMask = mask;
        stored.weekDays = std::popcount(mask);
        storeViewLayout(schedule.header, stored);
        schedule.dirty = true;
    }
    app_.commands().applyScheduleViewLayout();
    app_.showDay(app_.state().viewed());
}

void WindowCommands::chooseFont(int command)
{
    const std::optional<FontSetting> setting = fontOfCommand(command);
    if (!setting)
        return;
    QString title;
    for (const FontCommand& f : kFontCommands)
        if (f.command == command)
            title = QString::fromUtf8(f.title);
    Settings& settings = app_.preferences();
    if (std::optional<FontSpec> chosen = fontChooser_(settings.font(*setting), title)) {
        settings.setFont(*setting, *chosen);
        changed();
    }
}

// One row per colour with its swatch; a click on a swatch opens the colour
// dialog, and the choice is stored and shown at once.
void WindowCommands::chooseColours()
{
    QDialog dialog(&app_.window());
    dialog.setObjectName(QStringLiteral("Colors"));
    dialog.setWindowTitle(QStringLiteral("Colors"));
    auto* grid = new QGridLayout;
    int row = 0;
    for (const ColourRow& c : kColourRows) {
        auto* swatch = new QPushButton;
        swatch->setObjectName(QString::fromUtf8(settingName(c.setting)));
        swatch->setMinimumWidth(swatch->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 6);
        swatch->setStyleSheet(swatchStyle(app_.preferences().color(c.setting)));
        QObject::connect(swatch, &QPushButton::clicked, &dialog, [this, c, swatch] {
            Settings& settings = app_.preferences();
            if (std::optional<long> chosen = colourChooser_(settings.color(c.setting), QString::fromUtf8(c.label))) {
                settings.setColor(c.setting, *chosen);
                swatch->setStyleSheet(swatchStyle(*chosen));
                changed();
            }
        });
        grid->addWidget(new QLabel(QString::fromUtf8(c.label)), row, 0);
        grid->addWidget(swatch, row++, 1);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    dialog.exec();
}

void WindowCommands::stepTextSize(int steps)
{
    Settings& settings = app_.preferences();
    const FontSetting setting =
        app_.commands().view() == Command::monthView ? FontSetting::ScreenMonth : FontSetting::ScreenNormal;
    FontSpec font = settings.font(setting);
    const int size = steppedFontSize(font.size, steps);
    if (size == font.size)
        return;
    font.size = size;
    settings.setFont(setting, font);
    changed();
}

void WindowCommands::changed()
{
    app_.saveSettingsNow();
    app_.showDay(app_.state().viewed());
    app_.commands().refresh();
}

} // namespace zk
