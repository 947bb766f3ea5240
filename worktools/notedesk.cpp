#include "worktools/notedesk.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "editing/itemdialog.h"
#include "engine/interfacemode.h"
#include "engine/placement.h"
#include "engine/placementcontext.h"
#include "engine/recurrenceexpansion.h"
#include "platform/messages.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"
#include "sharing/session.h"
#include "views/schedulesarea.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QCoreApplication>
#include <QProgressDialog>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace zk {

namespace {

constexpr int kNotesCommand = 1124;
constexpr int kOpenAllNotesCommand = 756;
constexpr int kNoteFileCommand = 291;

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

std::string utf8Of(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

ItemHandle findItem(const Schedule& s, std::uint32_t id)
{
    if (ItemHandle h = s.findItemById(id))
        return h;
    return s.recurrences.findByItemId(id);
}

// Shared: the number is used by more than one item, or by a recurring
// definition (whose instances all show it).
bool isShared(const Schedule& s, ItemHandle h)
{
    const ItemRecord& r = s.record(h);
    if (r.has(ItemFlag::fRecurDef))
        return true;
    int users = 0;
    s.items.forEach([&](ItemHandle other) { users += s.record(other).refNo() == r.refNo(); });
    return users > 1;
}

std::string titleOf(const std::string& itemText, bool shared)
{
    return itemText + " - " + (shared ? "Shared " : "") + "Notes";
}

} // namespace

// --- the window ----------------------------------------------------------------------------------

NoteWindow::NoteWindow(std::uint32_t number, std::uint32_t itemId, std::unique_ptr<NoteLock> lock, const QString& text,
                       std::function<QString()> stamp, std::function<void(const std::string&)> tell)
    : number_(number), itemId_(itemId), lock_(std::move(lock))
{
    setObjectName(QStringLiteral("ZK Notes Class"));
    setAttribute(Qt::WA_DeleteOnClose);
    edit_ = new QPlainTextEdit(this);
    edit_->setObjectName(QStringLiteral("note"));
    edit_->setPlainText(text);
    edit_->document()->setModified(false);
    auto* menus = new QMenuBar(this);
    menus->setObjectName(QStringLiteral("NoteMenu"));
    QMenu* note = menus->addMenu(QStringLiteral("&Note"));
    note->addAction(QStringLiteral("&Date/Time Stamp"), QKeySequence(Qt::Key_F5),
                    [this, stamp = std::move(stamp)] { edit_->insertPlainText(stamp()); });
    note->addAction(QStringLiteral("&Word Count"), [this, tell = std::move(tell)] {
        tell(wordCountText(edit_->toPlainText().toStdString()));
    });
    note->addAction(QStringLiteral("&Separate Note"), [this] {
        if (separating)
            separating(*this);
    });
    note->addSeparator();
    note->addAction(QStringLiteral("&Close"), QKeySequence::Close, this, &QWidget::close);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setMenuBar(menus);
    column->addWidget(edit_);
}

NoteWindow::~NoteWindow() = default;

void NoteWindow::closeEvent(QCloseEvent* event)
{
    if (closing && !closing(*this)) {
        event->ignore();
        return;
    }
    event->accept();
}

// --- the desk --------------------------------------------------------------------------------------

NoteDesk::NoteDesk(DesktopApp& app) : app_(app) {}

// A session that ends without its exit request (a fault, a signal) still
// gives the note locks back.
NoteDesk::~NoteDesk()
{
    for (NoteWindow* w : windows()) {
        w->closing = nullptr;
        delete w;
    }
}

void NoteDesk::install()
{
    CommandDispatcher& dispatcher = app_.commands().dispatcher();
    dispatcher.setHandler(kNotesCommand, [this](int) { openSelected(); });
    dispatcher.setHandler(kOpenAllNotesCommand, [this](int) { openAllOfDay(); });
    dispatcher.setHandler(kNoteFileCommand, [this](int) { showNoteFile(); });
    dispatcher.setHandler(Command::noteBrowsing, [this](int) { toggleBrowsing(); });
    app_.commands().itemDialogTools().openNote = [this](ItemDialog& dialog) { openFromDialog(dialog); };
    SchedulesArea& area = app_.window().schedulesArea();
    connect(&area, &SchedulesArea::notesRequested, this, [this](ItemHandle item) {
        std::optional<DraggedEntry> entry = app_.window().schedulesArea().selectedEntry();
        open(item, entry && entry->item == item ? entry->day : kNoDay);
    });
    connect(&area, &SchedulesArea::selectionChanged, this, [this](ItemHandle item) {
        if (!item || !app_.preferences().windowRow().noteBrowsing)
            return;
        bool hasNote = false;
        if (BackgroundWork::Hold hold = app_.backgroundWork().tryHold())
            hasNote = app_.session().schedule().items.isLive(item) &&
                      app_.session().schedule().record(item).has(ItemFlag::fHasNotes);
        if (hasNote)
            open(item);
    });
}

NoteFiles NoteDesk::files()
{
    return NoteFiles(app_.session().files().folder(), notePrefix(app_.session().schedule().header));
}

bool NoteDesk::scrambleOn()
{
    return notesScrambled(app_.session().schedule().header);
}

std::vector<NoteWindow*> NoteDesk::windows() const
{
    std::vector<NoteWindow*> open;
    // A closed window waits for the event loop to delete it: it is no
    // longer open, and a note opened again gets a window of its own.
    for (const QPointer<NoteWindow>& w : windows_)
        if (w && w->isVisible())
            open.push_back(w);
    return open;
}

std::optional<NoteDesk::Target> NoteDesk::targetOf(ItemHandle item, bool giveNumber)
{
    BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
    Schedule* s = &app_.session().schedule();
    if (!s->items.isLive(item))
        return std::nullopt;
    if (s->record(item).refNo() == 0) {
        if (!giveNumber)
            return Target{s->itemId(item), 0, {}, kNoDay};
        // Taking change access may load another session's save: find the
        // item again by its id.
        const std::uint32_t id = s->itemId(item);
        if (!app_.session().access().requestChangeAccess())
            return std::nullopt;
        s = &app_.session().schedule();
        item = findItem(*s, id);
        if (!item)
            return std::nullopt;
        const NoteFiles notes = files();
        s->notesNumber(item, [&](std::uint16_t n) { return std::filesystem::exists(notes.note(n)); });
        s->dirty = true;
    }
    return Target{s->itemId(item), s->record(item).refNo(), titleOf(s->description(item), isShared(*s, item)),
                  kNoDay};
}

NoteWindow* NoteDesk::open(ItemHandle item, DayNumber day)
{
    if (app_.initialising())
        return nullptr;
    std::optional<Target> target = targetOf(item, true);
    if (!target || target->number == 0)
        return nullptr;
    target->day = day;
    return openTarget(*target);
}

NoteWindow* NoteDesk::openFromDialog(ItemDialog& dialog)
{
    const ItemEditor& editor = dialog.editor();
    ItemHandle item;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        if (editor.itemId())
            item = findItem(app_.session().schedule(), editor.itemId());
    }
    if (!item) {
        if (!editor.isNew())
            return nullptr;  // deleted meanwhile by another session
        std::uint32_t number = editor.record().refNo();
        if (number == 0) {
            BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
            if (!app_.session().access().requestChangeAccess())
                return nullptr;
            const NoteFiles notes = files();
            Schedule& s = app_.session().schedule();
            number = takeNoteNumber(s.header, [&](std::uint16_t n) { return std::filesystem::exists(notes.note(n)); });
            if (number == 0)
                return nullptr;
            s.dirty = true;
            dialog.setNoteNumber(number);
            // After OK has stored the item (the dialog's caller does, once
            // its event loop has returned).
            connect(&dialog, &QDialog::finished, this,
                    [this, number] { QTimer::singleShot(0, this, [this, number] { markHasNote(nullptr, number); }); });
        }
        return openTarget(Target{0, number, titleOf(editor.text(), false), kNoDay});
    }
    std::optional<Target> target = targetOf(item, true);
    if (!target || target->number == 0)
        return nullptr;
    dialog.setNoteNumber(target->number);
    target->title = titleOf(editor.text(), target->title.find(" - Shared ") != std::string::npos);
    return openTarget(*target);
}

NoteWindow* NoteDesk::openTarget(const Target& target)
{
    for (NoteWindow* w : windows())
        if (w->number() == target.number) {
            w->show();
            w->raise();
            w->activateWindow();
            return w;
        }
    if (windows().size() >= kMaxOpenNotes) {
        app_.messages().error(kMaxNotesOpenText);
        return nullptr;
    }
    const NoteFiles notes = files();
    if (std::string problem = prepareNotesFolder(notes); !problem.empty()) {
        app_.messages().error(problem);
        return nullptr;
    }
    NoteLock::Taken lock = NoteLock::take(lockFiles_, notes, target.number);
    if (!lock.lock) {
        app_.messages().error(lock.message);
        return nullptr;
    }
    NoteText text = readNote(notes.note(target.number));
    if (text.status == NoteText::Status::Failed) {
        app_.messages().error(text.message);
        return nullptr;
    }
    auto stamp = [this] {
        return fromUtf8(shortDate(app_.clock().today(), app_.regional()) + " " +
                        timeText(app_.clock().now(), app_.regional()) + " ");
    };
    auto tell = [this](const std::string& line) { app_.messages().information(line); };
    auto* window = new NoteWindow(target.number, target.itemId, std::move(lock.lock), fromUtf8(text.text), stamp, tell);
    window->setWindowTitle(fromUtf8(target.title));
    window->setInstanceDay(target.day);
    window->separating = [this](NoteWindow& w) { separate(w); };
    const SettingRect r = app_.preferences().rect(RectSetting::NotesWindowPos).value_or(SettingRect{100, 200, 500, 400});
    window->setGeometry(r.a, r.b, std::max(r.c - r.a, 120), std::max(r.d - r.b, 80));
    window->closing = [this](NoteWindow& w) {
        if (!save(w))
            return false;
        if (!w.lock().release())
            app_.messages().error(kNoteLockRemoveFailedText);
        return true;
    };
    windows_.erase(std::remove(windows_.begin(), windows_.end(), nullptr), windows_.end());
    windows_.emplace_back(window);
    window->show();
    return window;
}

bool NoteDesk::save(NoteWindow& window)
{
    if (!window.editor().document()->isModified())
        return true;
    bool scramble = false;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        scramble = scrambleOn();
    }
    const NoteFiles notes = files();
    if (std::string failure = writeNote(notes.note(window.number()), utf8Of(window.editor().toPlainText()), scramble);
        !failure.empty()) {
        app_.messages().error(failure);
        return false;
    }
    window.editor().document()->setModified(false);
    markHasNote(&window, window.number());
    return true;
}

// A window of a new item's dialog knows only the note number until the
// dialog has stored the item.
void NoteDesk::markHasNote(NoteWindow* window, std::uint32_t number)
{
    BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
    auto itemOf = [&](const Schedule& s) {
        if (window && window->itemId())
            return findItem(s, window->itemId());
        ItemHandle found;
        s.items.forEach([&](ItemHandle h) {
            if (!found && s.record(h).refNo() == number)
                found = h;
        });
        return found;
    };
    ItemHandle item = itemOf(app_.session().schedule());
    if (!item || !std::filesystem::exists(files().note(number)))
        return;
    for (NoteWindow* w : windows())
        if (w->number() == number && w->itemId() == 0)
            w->setItemId(app_.session().schedule().itemId(item));
    if (app_.session().schedule().record(item).has(ItemFlag::fHasNotes) ||
        !app_.session().access().requestChangeAccess())
        return;
    Schedule& current = app_.session().schedule();
    if (ItemHandle h = itemOf(current)) {
        current.record(h).setFlag(ItemFlag::fHasNotes, true);
        current.dirty = true;
    }
}

void NoteDesk::separate(NoteWindow& window)
{
    const DayNumber day = window.instanceDay();
    bool instance = false;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        const Schedule& s = app_.session().schedule();
        ItemHandle h = window.itemId() ? findItem(s, window.itemId()) : ItemHandle{};
        instance = h && !day.isNone() && isShared(s, h) && s.entryOf(h, day);
    }
    if (!instance) {
        app_.messages().information(kSelectInstanceText);
        return;
    }
    if (!save(window))
        return;
    std::optional<Target> separated;
    bool scramble = false;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Session& session = app_.session();
        if (!session.access().requestChangeAccess())
            return;
        Schedule& s = session.schedule();
        ItemHandle h = findItem(s, window.itemId());
        std::optional<std::size_t> index = h ? s.entryOf(h, day) : std::nullopt;
        if (!index)
            return;
        if (s.record(h).has(ItemFlag::fRecurDef)) {
            Placement placement(s, PlacementContext::at(session.clock()), &session.messages());
            h = RecurrenceExpansion(placement).makeException(EntryRef{day, *index});
            if (!h)
                return;
        }
        const NoteFiles notes = files();
        s.record(h).setRefNo(0);
        if (s.notesNumber(h, [&](std::uint16_t n) { return std::filesystem::exists(notes.note(n)); }) == 0)
            return;
        s.record(h).setFlag(ItemFlag::fHasNotes, true);
        s.noteChange(day);
        s.dirty = true;
        scramble = scrambleOn();
        separated = Target{s.itemId(h), s.record(h).refNo(), titleOf(s.description(h), false), day};
    }
    // The new note starts as the shared one is now.
    const NoteFiles notes = files();
    NoteText text = readNote(notes.note(window.number()));
    if (text.status == NoteText::Status::Loaded) {
        if (std::string failure = writeNote(notes.note(separated->number), text.text, scramble); !failure.empty()) {
            app_.messages().error(failure);
            return;
        }
    }
    window.closing = nullptr;
    if (!window.lock().release())
        app_.messages().error(kNoteLockRemoveFailedText);
    window.close();
    openTarget(*separated);
    app_.showDay(app_.state().viewed());
}

bool NoteDesk::close(NoteWindow& window) { return window.close(); }

void NoteDesk::closeAll()
{
    for (NoteWindow* w : windows())
        w->close();
}

void NoteDesk::minute()
{
    for (NoteWindow* w : windows())
        w->lock().refresh();
    preferencesChanged();
}

void NoteDesk::preferencesChanged()
{
    if (app_.initialising())
        return;
    bool scramble = false;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().tryHold();
        if (!hold)
            return;
        scramble = scrambleOn();
    }
    if (!scrambled_) {
        scrambled_ = scramble;
        return;
    }
    if (*scrambled_ == scramble)
        return;
    scrambled_ = scramble;
    QProgressDialog progress(QStringLiteral("Rewriting notes..."), QString(), 0, 0, &app_.window());
    progress.setObjectName(QStringLiteral("NotesProgress"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.show();
    for (const std::string& problem : rewriteAllNotes(files(), scramble, [&](const std::string& name) {
             progress.setLabelText(fromUtf8(name));
             QCoreApplication::processEvents();
         }))
        app_.messages().error(problem);
}

// --- commands -----------------------------------------------------------------------------------------

void NoteDesk::openSelected()
{
    if (std::optional<DraggedEntry> entry = app_.window().schedulesArea().selectedEntry())
        open(entry->item, entry->day);
}

void NoteDesk::openAllOfDay()
{
    std::vector<ItemHandle> withNotes;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        const Schedule& s = app_.session().schedule();
        if (const DayRecord* day = s.findDay(app_.state().viewed()))
            for (const DayEntry& entry : day->entries())
                if (s.record(entry.item).has(ItemFlag::fHasNotes) && s.record(entry.item).refNo() != 0)
                    withNotes.push_back(entry.item);
    }
    for (ItemHandle item : withNotes)
        if (!open(item))
            break;
}

void NoteDesk::showNoteFile()
{
    std::optional<DraggedEntry> entry = app_.window().schedulesArea().selectedEntry();
    if (!entry)
        return;
    std::optional<Target> target = targetOf(entry->item, false);
    if (!target)
        return;
    const NoteFiles notes = files();
    std::string text = noteInformation(notes, target->itemId, target->number);
    if (target->number != 0)
        text += "\n" + notes.note(target->number).string();
    app_.messages().information(text);
}

void NoteDesk::toggleBrowsing()
{
    int& browsing = app_.preferences().windowRow().noteBrowsing;
    browsing = browsing ? 0 : 1;
    app_.commands().refresh();
}

} // namespace zk
