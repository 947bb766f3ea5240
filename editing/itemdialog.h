#pragma once
// The item definition dialog: one window for every kind of item, built for
// the item's kind and the interface mode from the editor's form tables.
// Every control's object name is its identifier ("3", "14", "217"), so one
// identifier always means the same field.
//
// A recurring item is edited one instance at a time: "&Recurring..." opens
// the recurrence dialog, the recurring box and the roles decide what OK
// makes of the instance, and "&<Prior" and "Next&>" store it as OK does
// and go on to the previous or next occurrence. "Delete" closes the dialog
// with kItemDialogDeleted: the caller then deletes the item as Delete Item
// does. The alarm controls and "&Notes..." open what the session's tools
// give (the request's `tools`); without them they answer that they are not
// available yet.
//
// Each edit field is read when it loses focus; a text that does not read
// is refused through the session's messages and the field keeps it and
// the focus. OK reads what is still unread, then stores the item
// (shell/model/itemcommit.h); when it cannot be stored (change access is
// held by another session, the add was refused) the dialog stays open
// with everything typed. Cancel changes nothing.
//
// How to call it: on the user-interface thread, NOT holding the
// background-work lock. The dialog takes that lock itself, only while it
// reads the schedule on opening and while OK stores, so saves and
// background scheduling go on while it is open. The schedule may have been
// loaded afresh while it was open: take session.schedule() again after it
// returns, and use the result's handle only in that schedule.
//
// The command decides the form and the kind of a new item (648 task, 649
// appointment, 651 multi-day event, 652 memo, 653 birthday, 662 project,
// 735 cash item, ...; an existing item's kind decides for itself). The
// general define command 657 with neither an item nor a preset edits the
// template item; to define a new item of no preset kind, pass the
// template as the preset.
//
//   CommitResult result;
//   if (defineItem(window, {ItemCommand::task, kNoItem, {}, {}, viewedDay}, session, work, &result) == 1) {
//       // result.dayToShow: show that day; result.item: select it (none
//       // while the new item waits for change access);
//       // result.rebalanceRequested: set the rebalance request; repaint.
//   }

// moc cannot read the standard library's concepts that the model's
// headers reach; it needs none of their types.
#ifndef Q_MOC_RUN
#include "engine/itemediting.h"
#include "shell/model/itemcommit.h"
#include "views/dropcalendar.h"
#endif

#include <QDialog>
#include <QString>

#include <functional>
#include <map>
#include <memory>

class QFormLayout;
class QLineEdit;

namespace zk {

class BackgroundWork;
class Session;

class ItemDialog;

// The windows the item dialog's Alarm and Notes buttons open, from the
// session's worktools.
struct ItemDialogTools {
    // The alarm dialog over the working record; false when cancelled.
    std::function<bool(QWidget* parent, ItemRecord& record)> editAlarm;
    // The item's note.
    std::function<void(ItemDialog& dialog)> openNote;
};

// What to edit: the invoking command, the item of the day entry (none for
// a new item), a record to start a new item from, and the viewed day.
struct ItemDialogRequest {
    int command = ItemCommand::define;
    ItemHandle item;
    std::optional<ItemRecord> preset;
    std::string presetText;
    // A new item's day; for a recurring definition the occurrence day opened.
    DayNumber day;
    const ItemDialogTools* tools = nullptr;
};

class ItemDialog : public QDialog {
    Q_OBJECT
public:
    ItemDialog(Session& session, BackgroundWork& work, ItemDialogRequest request, QWidget* parent = nullptr);
    ~ItemDialog() override;

    // The control with this identifier; null when the form has none.
    QWidget* control(int id) const;
    const ItemEditor& editor() const { return *editor_; }
    // What the last OK did (Refused before any).
    const CommitResult& result() const { return result_; }
    // The working copy takes a note number (the note was opened first).
    void setNoteNumber(std::uint32_t refNo) { editor_->setNoteNumber(refNo); }

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QWidget* makeControl(int id);
    void addRow(QFormLayout* form, const std::vector<int>& ids);
    void connectControl(int id, QWidget* widget);
    void refresh();
    bool readEdit(int id, QLineEdit* edit);
    bool readUnreadFields();
    void change(const std::function<void()>& apply);
    void tellNotAvailable(int id);
    void openAlarm();
    void openNote();
    void openRecurrence();
    void pressRecurring();
    void chooseColour();
    // Stores the instance as OK does and opens the next (+1) or previous
    // (-1) one; with none left the dialog closes as after OK.
    void step(int direction);
    std::optional<ItemDialogRequest> instanceAfterStep(int direction);

    Session& session_;
    BackgroundWork& work_;
    const ItemDialogTools* tools_;
    bool wasEditing_;
    int command_;
    std::unique_ptr<ItemEditor> editor_;
    std::map<int, QWidget*> controls_;
    std::vector<int> editOrder_;
    // The date fields' drop-down calendars show the viewed day's month.
    DropCalendarSource dropCalendar_;
    int refusedField_ = 0;
    QString refusedText_;
    bool refreshing_ = false;
    CommitResult result_;
};

// What defineItem returns when "Delete" closed the dialog.
inline constexpr int kItemDialogDeleted = 2;

// Opens the dialog modally: 1 when OK stored the item (or the new item waits
// for change access), 0 for Cancel, kItemDialogDeleted for "Delete".
// `result` (may be null) receives what was stored.
int defineItem(QWidget* parent, ItemDialogRequest request, Session& session, BackgroundWork& work,
               CommitResult* result = nullptr);

} // namespace zk
