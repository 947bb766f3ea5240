#pragma once
// The notes of a desktop session: the note windows (at most 100 open), the
// note commands (Notes 1124, Open All Notes 756, Note File 291, Browse Notes
// 1175), the item dialog's "&Notes..." button and a double-click on a note
// mark, the minute's refresh of the note locks, the rewrite of every note
// when "Scramble notes on disk" changes, and saving every open note on exit.
//
// "Separate Note" in a note window gives the instance it was opened from
// a note of its own (a recurring definition's occurrence becomes an
// exception for that), starting as a copy of the shared one. The note of a
// new item opened from its dialog before OK takes its number at once; the
// item carries the note mark once the dialog stored it.
//
// A note is locked before its window opens and its lock is given back when
// the window closes. A note that did not load opens no window: nothing can
// then be saved over the file. A note that cannot be saved keeps its window
// open with its text.
//
// Runs on the user-interface thread; the schedule is read and changed under
// the background-work lock, changes with change access.

#ifndef Q_MOC_RUN
#include "core/daynumber.h"
#include "core/item.h"
#include "worktools/model/notes.h"
#endif

#include <QObject>
#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zk {

class DesktopApp;
class ItemDialog;

inline constexpr int kMaxOpenNotes = 100;

class NoteWindow final : public QWidget {
    Q_OBJECT
public:
    // `stamp` gives the date and time the stamp command types; `tell` shows a text.
    NoteWindow(std::uint32_t number, std::uint32_t itemId, std::unique_ptr<NoteLock> lock, const QString& text,
               std::function<QString()> stamp, std::function<void(const std::string&)> tell);
    ~NoteWindow() override;
    std::uint32_t number() const { return number_; }
    std::uint32_t itemId() const { return itemId_; }
    QPlainTextEdit& editor() { return *edit_; }
    NoteLock& lock() { return *lock_; }
    // The item once a new item's dialog stored it.
    void setItemId(std::uint32_t id) { itemId_ = id; }
    // The day of the instance the note was opened from; none without one.
    DayNumber instanceDay() const { return instanceDay_; }
    void setInstanceDay(DayNumber day) { instanceDay_ = day; }
    // Asked before the window closes: false keeps it open.
    std::function<bool(NoteWindow&)> closing;
    // The menu's "Separate Note".
    std::function<void(NoteWindow&)> separating;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::uint32_t number_;
    std::uint32_t itemId_;
    DayNumber instanceDay_;
    std::unique_ptr<NoteLock> lock_;
    QPlainTextEdit* edit_;
};

class NoteDesk final : public QObject {
    Q_OBJECT
public:
    explicit NoteDesk(DesktopApp& app);
    ~NoteDesk() override;

    // The commands, the item dialog's button and the panes' note marks.
    void install();

    // Opens the item's note (giving it a number when it has none); focuses
    // the window when it is open already. Null when none opened. `day`:
    // the day of the instance it is opened from.
    NoteWindow* open(ItemHandle item, DayNumber day = kNoDay);
    NoteWindow* openFromDialog(ItemDialog& dialog);
    // Saves and closes; false when the note could not be saved.
    bool close(NoteWindow& window);
    // The minute's work: lock refresh, and the rewrite when the preference changed.
    void minute();
    // Exit: every note saved and closed.
    void closeAll();
    // The preference may have changed: rewrite every note in its form.
    void preferencesChanged();
    // "Separate Note": the window's instance gets a note of its own.
    void separate(NoteWindow& window);

    std::vector<NoteWindow*> windows() const;
    NoteFiles files();

private:
    struct Target {
        std::uint32_t itemId = 0;
        std::uint32_t number = 0;
        std::string title;
        DayNumber day;
    };
    std::optional<Target> targetOf(ItemHandle item, bool giveNumber);
    NoteWindow* openTarget(const Target& target);
    bool scrambleOn();
    bool save(NoteWindow& window);
    // The note mark of the item that uses the note number (found by its id,
    // or by the number while the window belongs to a new item's dialog).
    void markHasNote(NoteWindow* window, std::uint32_t number);
    void openSelected();
    void openAllOfDay();
    void showNoteFile();
    void toggleBrowsing();

    DesktopApp& app_;
    // Declared before the windows: their locks use it to the end.
    LinuxLockFileSystem lockFiles_;
    std::vector<QPointer<NoteWindow>> windows_;
    std::optional<bool> scrambled_;
};

} // namespace zk
