#include "shell/menubar.h"

#include "engine/interfacemode.h"
#include "platform/fault.h"
#include "platform/messages.h"
#include "platform/version.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QInputDialog>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolBar>

#include <cstdio>
#include <set>

namespace zk {

namespace {

struct NamedKey {
    const char* name;
    Qt::Key key;
};
constexpr NamedKey kNamedKeys[] = {
    {"Up", Qt::Key_Up}, {"Down", Qt::Key_Down}, {"Left", Qt::Key_Left}, {"Right", Qt::Key_Right},
    {"Home", Qt::Key_Home}, {"End", Qt::Key_End}, {"PageUp", Qt::Key_PageUp}, {"PageDown", Qt::Key_PageDown},
    {"Insert", Qt::Key_Insert}, {"Delete", Qt::Key_Delete}, {"Enter", Qt::Key_Return}, {"Space", Qt::Key_Space},
    {"Tab", Qt::Key_Tab}, {"Backspace", Qt::Key_Backspace}, {"Esc", Qt::Key_Escape}, {"Pause", Qt::Key_Pause},
    {"Num+", Qt::Key_Plus}, {"Num-", Qt::Key_Minus}, {"'", Qt::Key_Apostrophe}, {"\"", Qt::Key_QuoteDbl},
    {"$", Qt::Key_Dollar}, {"=", Qt::Key_Equal}, {"-", Qt::Key_Minus},
};

std::optional<Qt::Key> qtKey(const std::string& name)
{
    if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z')
        return Qt::Key(Qt::Key_A + (name[0] - 'A'));
    if (name.size() >= 2 && name[0] == 'F' && name[1] >= '1' && name[1] <= '9')
        return Qt::Key(Qt::Key_F1 + std::stoi(name.substr(1)) - 1);
    for (const NamedKey& named : kNamedKeys)
        if (name == named.name)
            return named.key;
    return std::nullopt;
}

// The groups whose items show a radio mark: one of each is current.
int radioGroupOf(int command)
{
    if (isViewCommand(command))
        return 1;
    if (modeOfCommand(command))
        return 2;
    if (command >= Command::firstPaneCount && command <= Command::lastPaneCount)
        return 3;
    return 4;  // the tilings
}

int commandOf(const QAction* action) { return action->data().toInt(); }

} // namespace

QList<QKeySequence> keySequences(const KeyChord& key)
{
    std::optional<Qt::Key> code = qtKey(key.name);
    if (!code)
        return {};
    Qt::KeyboardModifiers modifiers;
    if (key.modifiers & KeyModifier::ctrl)
        modifiers |= Qt::ControlModifier;
    if (key.modifiers & KeyModifier::alt)
        modifiers |= Qt::AltModifier;
    if (key.modifiers & KeyModifier::shift)
        modifiers |= Qt::ShiftModifier;
    if (key.name == "Num+" || key.name == "Num-")
        modifiers |= Qt::KeypadModifier;
    QList<QKeySequence> sequences{QKeySequence(QKeyCombination(modifiers, *code))};
    // The keypad's Enter is Enter too; Shift+Tab arrives as Backtab.
    if (key.name == "Enter")
        sequences.append(QKeySequence(QKeyCombination(modifiers | Qt::KeypadModifier, Qt::Key_Enter)));
    if (key.name == "Tab" && (modifiers & Qt::ShiftModifier))
        sequences.append(QKeySequence(QKeyCombination(modifiers, Qt::Key_Backtab)));
    return sequences;
}

CommandMenus::CommandMenus(QMainWindow& window, CommandDispatcher& dispatcher, StateSource state)
    : window_(window), dispatcher_(dispatcher), state_(std::move(state))
{
    buildToolBar();
}

CommandMenus::~CommandMenus() { clear(); }

bool CommandMenus::applyMode(std::uint32_t interfaceMode, const MenuOptions& options)
{
    const bool known = interfaceMode == InterfaceMode::lite || interfaceMode == InterfaceMode::pro
        || interfaceMode == InterfaceMode::ez;
    if (!known && applied_)
        return false;
    if (applied_ && interfaceMode == mode_)
        return true;
    mode_ = known ? interfaceMode : InterfaceMode::pro;
    build(options);
    return known;
}

std::string unknownModeText(std::uint32_t interfaceMode)
{
    return "The menus of interface mode " + std::to_string(interfaceMode) + " cannot be loaded.";
}

void CommandMenus::rebuild(const MenuOptions& options) { build(options); }

void CommandMenus::build(const MenuOptions& options)
{
    clear();
    std::vector<MenuNode> bar = menuBar(mode_, options);
    std::set<int> commands;
    for (int command : commandsOf(bar))
        commands.insert(command);
    for (const KeyBinding& binding : keySet(mode_))
        commands.insert(binding.command);
    for (int command : commands)
        createAction(command);
    for (const MenuNode& popup : bar) {
        auto* menu = new QMenu(QString::fromStdString(popup.text), window_.menuBar());
        window_.menuBar()->addMenu(menu);
        fillMenu(*menu, popup.children);
    }
    applied_ = true;
    refresh();
    window_.menuBar()->update();
    for (const std::function<void()>& step : rebuilt_)
        step();
}

// Old actions may be the ones whose trigger led here (a mode command): they
// go later, but their keys go now so the new keys are not ambiguous.
void CommandMenus::clear()
{
    for (auto& [command, action] : actions_) {
        window_.removeAction(action);
        action->setShortcuts({});
        action->deleteLater();
    }
    actions_.clear();
    if (window_.menuBar())
        window_.menuBar()->clear();
    for (QPointer<QMenu>& menu : menus_)
        if (menu)
            menu->deleteLater();
    menus_.clear();
}

QAction* CommandMenus::createAction(int command)
{
    const CommandInfo* row = findCommand(command);
    QString text = QString::fromUtf8(row ? row->text : "");
    if (std::optional<KeyChord> key = menuKey(mode_, command))
        text += '\t' + QString::fromStdString(keyText(*key));
    auto* action = new QAction(text, &window_);
    action->setData(command);
    action->setToolTip(QString::fromStdString(row ? plainText(row->text) : std::string()));
    QList<QKeySequence> sequences;
    for (const KeyBinding& binding : keySet(mode_))
        if (binding.command == command)
            sequences += keySequences(binding.key);
    action->setShortcuts(sequences);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setCheckable(isCheckable(command));
    QObject::connect(action, &QAction::triggered, action, [this, command] { dispatcher_.dispatch(command); });
    window_.addAction(action);
    actions_[command] = action;
    return action;
}

void CommandMenus::fillMenu(QMenu& menu, const std::vector<MenuNode>& nodes)
{
    menus_.push_back(&menu);
    std::map<int, QActionGroup*> groups;
    for (const MenuNode& node : nodes) {
        switch (node.kind) {
        case MenuNode::Kind::Separator:
            menu.addSeparator();
            break;
        case MenuNode::Kind::Popup: {
            auto* sub = new QMenu(QString::fromStdString(node.text), &menu);
            menu.addMenu(sub);
            fillMenu(*sub, node.children);
            break;
        }
        case MenuNode::Kind::Item: {
            QAction* action = actions_.at(node.command);
            if (isRadioItem(node.command)) {
                QActionGroup*& group = groups[radioGroupOf(node.command)];
                if (!group) {
                    group = new QActionGroup(&menu);
                    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
                }
                group->addAction(action);
            }
            menu.addAction(action);
            break;
        }
        }
    }
    QObject::connect(&menu, &QMenu::aboutToShow, &menu, [this, &menu] { updateMenu(menu); });
    QObject::connect(&menu, &QMenu::aboutToHide, &menu, [this, &menu] { enableAll(menu); });
}

void CommandMenus::buildToolBar()
{
    toolBar_ = new QToolBar("Toolbar", &window_);
    toolBar_->setObjectName("toolbar");
    toolBar_->setMovable(false);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (const ToolbarButton& button : toolbarButtons()) {
        if (button.command == 0) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* action = toolBar_->addAction(QString::fromUtf8(button.label));
        const int command = button.command;
        action->setData(command);
        const CommandInfo* row = findCommand(command);
        action->setToolTip(QString::fromStdString(row ? plainText(row->text) : std::string()));
        action->setCheckable(isViewCommand(command));
        QObject::connect(action, &QAction::triggered, action, [this, command] { dispatcher_.dispatch(command); });
        toolActions_.push_back(action);
    }
    window_.addToolBar(Qt::TopToolBarArea, toolBar_);
}

void CommandMenus::updateMenu(QMenu& menu)
{
    const CommandState state = state_();
    for (QAction* action : menu.actions()) {
        const int command = commandOf(action);
        if (command == 0)
            continue;
        action->setEnabled(isEnabled(command, state));
        if (action->isCheckable())
            action->setChecked(isChecked(command, state));
    }
}

void CommandMenus::enableAll(QMenu& menu)
{
    for (QAction* action : menu.actions())
        if (commandOf(action) != 0)
            action->setEnabled(true);
}

void CommandMenus::refresh()
{
    const CommandState state = state_();
    for (QAction* button : toolActions_) {
        const int command = commandOf(button);
        button->setEnabled(isToolbarButtonEnabled(command, mode_) && isEnabled(command, state));
        if (button->isCheckable())
            button->setChecked(isChecked(command, state));
    }
    for (QPointer<QMenu>& menu : menus_)
        if (menu && menu->isVisible())
            updateMenu(*menu);
}

QMenu* CommandMenus::popup(std::string_view title) const
{
    for (QAction* action : window_.menuBar()->actions())
        if (action->menu() && plainText(action->text().toStdString()) == title)
            return action->menu();
    return nullptr;
}

QAction* CommandMenus::action(int command) const
{
    auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

void installModeCommands(CommandDispatcher& dispatcher, CommandMenus& menus, std::function<MenuOptions()> options,
                         std::function<void(std::uint32_t)> store)
{
    for (int command : {Command::liteMode, Command::proMode, Command::ezMode})
        dispatcher.setHandler(command, [&menus, options, store](int chosen) {
            const std::uint32_t mode = *modeOfCommand(chosen);
            if (menus.applied() && menus.mode() == mode)
                return;
            menus.applyMode(mode, options ? options() : MenuOptions{});
            if (store)
                store(mode);
        });
}

std::string aboutText(const std::string& buildDate)
{
    return std::string("Zelkon ") + versionText() + "\nBuild date " + buildDate + "\n\nLicence: " + kLicenceName
           + "\n" + kLicenceText;
}

void installAboutCommand(CommandDispatcher& dispatcher, QWidget* parent)
{
    dispatcher.setHandler(Command::about, [parent](int) {
        const QDateTime built = QFileInfo(QCoreApplication::applicationFilePath()).lastModified();
        const std::string date = QLocale::system().toString(built.date(), QLocale::ShortFormat).toStdString();
        QMessageBox::about(parent, "About Zelkon", QString::fromStdString(aboutText(date)));
    });
}

ViewCommands::DatePrompt specificDatePrompt(QWidget* parent, Messages& messages, std::function<EntryContext()> context)
{
    return [parent, &messages, context = std::move(context)]() -> std::optional<DayNumber> {
        QString text;
        for (;;) {
            bool ok = false;
            text = QInputDialog::getText(parent, "Specific Date", "Date:", QLineEdit::Normal, text, &ok);
            if (!ok)
                return std::nullopt;
            const int day = parseDateEntry(text.trimmed().toStdString(), context());
            if (day != kInvalidEntry)
                return DayNumber(day);
            messages.error("\"" + text.trimmed().toStdString() + "\" is not a date.");
        }
    };
}

} // namespace zk
