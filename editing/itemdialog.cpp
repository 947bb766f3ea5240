#include "editing/itemdialog.h"

#include "core/schedule.h"
#include "editing/fieldreading.h"
#include "editing/recurrencedialog.h"
#include "engine/occurrences.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "sharing/session.h"
#include "shell/model/backgroundwork.h"
#include "shell/model/commands.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace zk {

namespace {

using namespace ControlId;

enum class Widget { Edit, Check, Button, Radio, Combo, Rank, Spin, Label, Colour };

struct ControlInfo {
    int id;
    Widget widget;
    const char* label;  // the field's label, or the button's text
};

// One row per entry; a field's label stands before it, a button's text is
// its own.
constexpr ControlInfo kControls[] = {
    {ControlId::text, Widget::Edit, "&Item:"},
    {duration, Widget::Edit, "Dura&tion:"},
    {beginTime, Widget::Edit, "&Begin time:"},
    {endTime, Widget::Edit, "&End"},
    {onHold, Widget::Check, "On hold"},
    {earliestBegin, Widget::Edit, "&Earliest begin:"},
    {latestEnd, Widget::Edit, "&Latest end:"},
    {ControlId::recurrence, Widget::Button, "&Recurring..."},
    {date, Widget::Edit, "&Date:"},
    {postponeDate, Widget::Edit, "Po&stpone:"},
    {deadlineDate, Widget::Edit, "&Deadline:"},
    {postponeTime, Widget::Edit, ""},
    {deadlineTime, Widget::Edit, ""},
    {sunday, Widget::Check, "Su"},
    {15, Widget::Check, "M"},
    {16, Widget::Check, "T"},
    {17, Widget::Check, "W"},
    {18, Widget::Check, "H"},
    {19, Widget::Check, "F"},
    {20, Widget::Check, "Sa"},
    {weekdays, Widget::Button, "&M-F"},
    {weekend, Widget::Button, "S&uSa"},
    {alarmCheck, Widget::Check, ""},
    {alarm, Widget::Button, "&Alarm..."},
    {starting, Widget::Edit, "&Starting:"},
    {ending, Widget::Edit, "En&ding:"},
    {baseYear, Widget::Edit, "Base &year"},
    {recurring, Widget::Check, ""},
    {instance, Widget::Label, "Instance"},
    {49, Widget::Radio, "Standard"},
    {50, Widget::Radio, "E&xception"},
    {51, Widget::Radio, "Cancelled"},
    {52, Widget::Button, "&<Prior"},
    {53, Widget::Button, "Next&>"},
    {floating, Widget::Check, "&Floating"},
    {split, Widget::Check, "Split"},
    {priority, Widget::Combo, "&Priority:"},
    {ControlId::rank, Widget::Rank, ""},
    {rankText, Widget::Label, "Rank:"},
    {value, Widget::Edit, "Mar&val:"},
    {expense, Widget::Edit, "&Expense"},
    {key, Widget::Check, "&Key"},
    {followUp, Widget::Check, "Follo&w-up"},
    {bizHours, Widget::Check, "Bi&z hours"},
    {offHours, Widget::Check, "Off &hours"},
    {spin, Widget::Spin, ""},
    {daily, Widget::Radio, "Dail&y"},
    {total, Widget::Radio, "Total"},
    {hourized, Widget::Label, ""},
    {project, Widget::Combo, "Proje&ct:"},
    {prerequisite, Widget::Combo, "Prere&q:"},
    {lagDays, Widget::Edit, "Lag days:"},
    {lagDuration, Widget::Edit, "Lag duration:"},
    {caseNumber, Widget::Edit, "Case &#:"},
    {notes, Widget::Button, "&Notes..."},
    {deleteItem, Widget::Button, "Delete"},
    {setColour, Widget::Button, "Set &Color..."},
    {colourBox, Widget::Colour, ""},
    {501, Widget::Label, ""},
};

// Controls that share one row, in their order there.
const std::vector<std::vector<int>> kRows = {
    {beginTime, endTime},
    {floating, split, onHold},
    {priority, rankText, ControlId::rank},
    {earliestBegin, latestEnd, spin},
    {bizHours, offHours},
    {postponeDate, postponeTime},
    {deadlineDate, deadlineTime},
    {sunday, 15, 16, 17, 18, 19, 20, weekdays, weekend},
    {value, daily, total},
    {key, followUp},
    {lagDays, lagDuration},
    {recurring, ControlId::recurrence, instance, standard, exception, cancelled},
    {prior, next},
    {alarmCheck, alarm},
    {notes, deleteItem},
    {setColour, colourBox},
};

// Radio buttons that exclude each other.
const std::vector<std::vector<int>> kRadioGroups = {{standard, exception, cancelled}, {daily, total}};

// The controls of a recurring instance.
constexpr int kInstanceControls[] = {instance, standard, exception, cancelled, prior, next};

bool isInstanceControl(int id)
{
    return std::find(std::begin(kInstanceControls), std::end(kInstanceControls), id) != std::end(kInstanceControls);
}

const ControlInfo* infoOf(int id)
{
    for (const ControlInfo& c : kControls)
        if (c.id == id)
            return &c;
    return nullptr;
}

const std::vector<int>* rowOf(int id)
{
    for (const std::vector<int>& row : kRows)
        if (std::find(row.begin(), row.end(), id) != row.end())
            return &row;
    return nullptr;
}

// Labels that differ by form.
QString labelOf(int id, ItemForm form)
{
    if (id == ControlId::text) {
        switch (form) {
        case ItemForm::Project:
        case ItemForm::List: return QStringLiteral("N&ame:");
        case ItemForm::MultiDayEvent:
        case ItemForm::SpecialDay:
        case ItemForm::Cash: return QStringLiteral("&Title:");
        default: return QStringLiteral("&Item:");
        }
    }
    if (id == beginTime && form == ItemForm::Lite)
        return QStringLiteral("&Begin time (leave blank for tasks)");
    if (id == beginTime && (form == ItemForm::Appointment || form == ItemForm::MultiDayEvent))
        return QStringLiteral("&Begin");
    if (id == starting && form == ItemForm::SpecialDay)
        return QStringLiteral("Next Occurrence:");
    if (id == value && form == ItemForm::Cash)
        return QStringLiteral("&Income");
    if (id == alarmCheck)
        return QStringLiteral("Alarm");
    if (id == recurring)
        return QStringLiteral("Recurring");
    return QString::fromUtf8(infoOf(id)->label);
}

// The item text and the lists take the row's width.
bool fillsRow(int id) { return id == ControlId::text || id == project || id == prerequisite; }

bool hiddenIn(int id, ItemForm form, std::uint16_t kind)
{
    if (id == endTime)
        return form == ItemForm::Appointment || form == ItemForm::Lite;
    if (id == baseYear)
        return kind != ItemKind::birthday && kind != ItemKind::anniversary;
    return false;
}

QString plainLabel(int id, ItemForm form)
{
    const QByteArray label = labelOf(id, form).toUtf8();
    return QString::fromStdString(plainText(std::string_view(label.constData(), label.size())));
}

QString colourStyle(std::optional<std::uint32_t> colorRef)
{
    if (!colorRef)
        return QStringLiteral("border: 1px solid gray;");
    const std::uint32_t c = *colorRef;  // 0x00BBGGRR
    return QStringLiteral("border: 1px solid gray; background-color: %1;")
        .arg(QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF).name());
}

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

} // namespace

ItemDialog::ItemDialog(Session& session, BackgroundWork& work, ItemDialogRequest request, QWidget* parent)
    : QDialog(parent), session_(session), work_(work), tools_(request.tools), wasEditing_(session.editing()),
      command_(request.command)
{
    session_.setEditing(true);
    {
        BackgroundWork::Hold hold = work_.holdForChange(session_.messages());
        ItemEditorRequest editing{request.command, request.item, request.preset, request.presetText, request.day};
        const EntryContext context = session_.entryContext();
        editor_ = std::make_unique<ItemEditor>(session_.schedule(), context, editing, session_.messages());
        dropCalendar_ = {[day = request.day] { return day; }, context.regional, context.week.weekStartsMonday};
    }
    const ItemFormInfo& form = formInfo(editor_->form());
    setObjectName(QString::fromUtf8(form.resource));
    setWindowTitle(QString::fromUtf8(form.title));
    buildControls();
    refresh();
    if (QWidget* text = control(ControlId::text))
        text->setFocus();
    if (!editor_->openingNotice().empty())
        QTimer::singleShot(0, this, [this] { session_.messages().information(editor_->openingNotice()); });
}

ItemDialog::~ItemDialog() { session_.setEditing(wasEditing_); }

QWidget* ItemDialog::control(int id) const
{
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

// --- building --------------------------------------------------------------------

void ItemDialog::buildControls()
{
    const ItemForm form = editor_->form();
    const std::vector<int>& ids = controlsOf(form);
    // The full form is long: from the weekdays on it takes a second column.
    const bool twoColumns = ids.size() > 20;
    auto* columns = new QHBoxLayout;
    auto* column = new QFormLayout;
    columns->addLayout(column);
    std::vector<int> placed;
    for (int id : ids) {
        if (std::find(placed.begin(), placed.end(), id) != placed.end())
            continue;
        if (twoColumns && id == sunday) {
            column = new QFormLayout;
            columns->addSpacing(12);
            columns->addLayout(column);
        }
        std::vector<int> row;
        if (const std::vector<int>* group = rowOf(id)) {
            for (int member : *group)
                if (formHasControl(form, member))
                    row.push_back(member);
        } else {
            row.push_back(id);
        }
        placed.insert(placed.end(), row.begin(), row.end());
        addRow(column, row);
    }

    for (const std::vector<int>& radios : kRadioGroups) {
        auto* group = new QButtonGroup(this);
        for (int id : radios)
            if (auto* radio = qobject_cast<QAbstractButton*>(control(id)))
                group->addButton(radio);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ItemDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addStretch(1);
    layout->addWidget(buttons);
}

void ItemDialog::addRow(QFormLayout* form, const std::vector<int>& ids)
{
    const ItemForm kind = editor_->form();
    QLabel* label = nullptr;
    auto* line = new QHBoxLayout;
    line->setSpacing(6);
    for (int id : ids) {
        const ControlInfo* info = infoOf(id);
        if (!info)
            continue;
        QWidget* widget = makeControl(id);
        // A form that is not the full one shows the instance controls only
        // for an instance.
        const bool hide = hiddenIn(id, kind, editor_->record().kind()) ||
                          (isInstanceControl(id) && kind != ItemForm::Define && !editor_->editsInstance());
        widget->setHidden(hide);
        const bool labelled = info->widget == Widget::Edit || info->widget == Widget::Combo;
        if (labelled && *info->label) {
            auto* fieldLabel = new QLabel(labelOf(id, kind), this);
            fieldLabel->setBuddy(widget);
            fieldLabel->setHidden(hide);
            // The first field's label heads the row; later ones stand inside it.
            if (!label && line->count() == 0)
                label = fieldLabel;
            else
                line->addWidget(fieldLabel);
        }
        line->addWidget(widget, fillsRow(id) ? 1 : 0);
    }
    // Short fields and buttons keep their size, to the left.
    if (!fillsRow(ids.front()))
        line->addStretch(1);
    if (label)
        form->addRow(label, line);
    else
        form->addRow(line);
}

QWidget* ItemDialog::makeControl(int id)
{
    const ControlInfo& info = *infoOf(id);
    const ItemForm form = editor_->form();
    QWidget* widget = nullptr;
    switch (info.widget) {
    case Widget::Edit: {
        auto* edit = new QLineEdit(this);
        if (id == ControlId::text) {
            edit->setMaxLength(static_cast<int>(kMaxItemTextBytes));
            edit->setMinimumWidth(260);
        } else {
            edit->setMaximumWidth(id == value || id == expense || id == caseNumber ? 110 : 90);
        }
        if (id == postponeTime || id == deadlineTime)
            edit->setPlaceholderText(QStringLiteral("time"));
        if (id == date || id == postponeDate || id == deadlineDate || id == starting || id == ending)
            attachDropCalendar(*edit, dropCalendar_);
        edit->installEventFilter(this);
        editOrder_.push_back(id);
        widget = edit;
        break;
    }
    case Widget::Check: {
        auto* box = new QCheckBox(labelOf(id, form), this);
        if (id == alarmCheck || id == recurring) {
            box->setText(QString());
            box->setAccessibleName(labelOf(id, form));
        }
        widget = box;
        break;
    }
    case Widget::Button: widget = new QPushButton(labelOf(id, form), this); break;
    case Widget::Radio: widget = new QRadioButton(labelOf(id, form), this); break;
    case Widget::Combo: {
        auto* combo = new QComboBox(this);
        if (id == priority) {
            combo->addItem(QString());
            for (char c = 'A'; c <= 'Z'; ++c)
                combo->addItem(QString(QChar(c)));
        } else if (id == project) {
            combo->addItem(QStringLiteral("none"));
            for (const ItemChoice& p : editor_->projects())
                combo->addItem(fromUtf8(p.name));
        } else {
            combo->addItem(QStringLiteral("none"));
            for (const ItemChoice& p : editor_->prerequisites())
                combo->addItem(fromUtf8(p.name));
        }
        widget = combo;
        break;
    }
    case Widget::Rank: {
        auto* bar = new QScrollBar(Qt::Horizontal, this);
        bar->setFixedWidth(120);
        widget = bar;
        break;
    }
    case Widget::Spin: {
        // Two arrows that move the time range by an hour each.
        widget = new QWidget(this);
        auto* arrows = new QHBoxLayout(widget);
        arrows->setContentsMargins(0, 0, 0, 0);
        arrows->setSpacing(0);
        for (auto [arrow, name, steps] : {std::tuple{Qt::UpArrow, "up", 1}, {Qt::DownArrow, "down", -1}}) {
            auto* button = new QToolButton(widget);
            button->setArrowType(arrow);
            button->setObjectName(QStringLiteral("1438%1").arg(QLatin1String(name)));
            button->setAccessibleName(steps > 0 ? QStringLiteral("Later by an hour")
                                                : QStringLiteral("Earlier by an hour"));
            connect(button, &QToolButton::clicked, this, [this, steps = steps] {
                change([this, steps] { editor_->spin(steps); });
            });
            arrows->addWidget(button);
        }
        break;
    }
    case Widget::Label: widget = new QLabel(this); break;
    case Widget::Colour: {
        // Three character widths of the project's colour.
        auto* box = new QLabel(this);
        box->setFixedSize(3 * fontMetrics().averageCharWidth() + 4, fontMetrics().height() + 2);
        box->setAccessibleName(QStringLiteral("Project colour"));
        widget = box;
        break;
    }
    }
    widget->setObjectName(QString::number(id));
    controls_[id] = widget;
    connectControl(id, widget);
    return widget;
}

void ItemDialog::connectControl(int id, QWidget* widget)
{
    auto* pushed = qobject_cast<QAbstractButton*>(widget);
    switch (id) {
    case deleteItem:
        // The delete question comes after the dialog has closed, from the
        // window that opened it.
        connect(pushed, &QAbstractButton::clicked, this, [this] { done(kItemDialogDeleted); });
        return;
    case ControlId::recurrence:
        connect(pushed, &QAbstractButton::clicked, this, [this] { openRecurrence(); });
        return;
    case recurring:
        connect(pushed, &QAbstractButton::clicked, this, [this] { pressRecurring(); });
        return;
    case prior:
    case next:
        connect(pushed, &QAbstractButton::clicked, this, [this, id] { step(id == next ? 1 : -1); });
        return;
    case setColour:
        connect(pushed, &QAbstractButton::clicked, this, [this] { chooseColour(); });
        return;
    case alarm:
        connect(pushed, &QAbstractButton::clicked, this, [this] { openAlarm(); });
        return;
    case notes:
        connect(pushed, &QAbstractButton::clicked, this, [this] { openNote(); });
        return;
    case alarmCheck:
        // Without alarm settings the box opens the alarm dialog.
        connect(pushed, &QAbstractButton::clicked, this, [this](bool checked) {
            const ItemRecord& r = editor_->record();
            if (r.has(ItemFlag::fAlarm | ItemFlag::alarmFromBegin | ItemFlag::alarmFromEnd))
                change([this, checked] { editor_->press(alarmCheck, checked); });
            else
                openAlarm();
            refresh();
        });
        return;
    }
    if (auto* button = pushed) {
        connect(button, &QAbstractButton::clicked, this,
                [this, id](bool checked) { change([this, id, checked] { editor_->press(id, checked); }); });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        connect(combo, &QComboBox::currentIndexChanged, this, [this, id](int index) {
            change([this, id, index] {
                if (id == priority)
                    editor_->setPriorityIndex(index);
                else if (id == project)
                    editor_->setProjectIndex(index);
                else
                    editor_->setPrerequisiteIndex(index);
            });
        });
    } else if (auto* bar = qobject_cast<QScrollBar*>(widget)) {
        connect(bar, &QScrollBar::valueChanged, this,
                [this](int value) { change([this, value] { editor_->setRank(value); }); });
    }
}

// --- showing the working copy --------------------------------------------------------

void ItemDialog::refresh()
{
    refreshing_ = true;
    for (auto [id, widget] : controls_) {
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            // What the user typed and was not read yet stays as typed.
            if (!edit->isModified())
                edit->setText(fromUtf8(editor_->fieldText(id)));
        } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            radio->setChecked(editor_->isChecked(id));
        } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            box->setChecked(editor_->isChecked(id));
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            combo->setCurrentIndex(id == priority  ? editor_->priorityIndex()
                                   : id == project ? editor_->projectIndex()
                                                   : editor_->prerequisiteIndex());
        } else if (auto* bar = qobject_cast<QScrollBar*>(widget)) {
            bar->setRange(1, editor_->rankCount());
            bar->setPageStep(std::max(1, editor_->rankCount() / 5));
            bar->setValue(editor_->rank());
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (id == colourBox)
                label->setStyleSheet(colourStyle(editor_->projectColour()));
            else if (id == rankText)
                label->setText(QStringLiteral("Rank: %1").arg(editor_->rank()));
            else
                label->setText(fromUtf8(editor_->fieldText(id)));
        }
    }
    if (QWidget* box = control(floating))
        box->setEnabled(editor_->floatingEnabled());
    if (QWidget* date = control(ControlId::date))
        date->setEnabled(!editor_->dateShowsRecurring());
    const bool instance = editor_->editsInstance() && editor_->recurringChecked();
    for (int id : kInstanceControls)
        if (QWidget* w = control(id))
            w->setEnabled(instance);
    const bool floats = editor_->isChecked(floating);
    for (int id : {ControlId::rank, rankText})
        if (QWidget* w = control(id))
            w->setEnabled(floats);
    refreshing_ = false;
}

// --- reading -------------------------------------------------------------------------

bool ItemDialog::readEdit(int id, QLineEdit* edit)
{
    // A refusal just shown is not shown again for the same text.
    if (id == refusedField_ && edit->text() == refusedText_)
        return keepFocusOn(edit);
    const QByteArray typed = edit->text().toUtf8();
    FieldResult read = editor_->readField(id, std::string_view(typed.constData(), typed.size()));
    if (read.status == FieldResult::Status::Refused) {
        refusedField_ = id;
        refusedText_ = edit->text();
        return keepFocusOn(edit);
    }
    refusedField_ = 0;
    edit->setModified(false);
    refresh();
    if (read.status == FieldResult::Status::RangeCleared) {
        if (auto* cleared = qobject_cast<QLineEdit*>(control(read.clearedControl))) {
            cleared->clear();
            QTimer::singleShot(0, cleared, [cleared] { cleared->setFocus(); });
        }
        return false;
    }
    return true;
}

bool ItemDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (QLineEdit* edit = refreshing_ ? nullptr : editLeftUnread(watched, event))
        readEdit(edit->objectName().toInt(), edit);
    return QDialog::eventFilter(watched, event);
}

// Every field typed into and not read yet, in tab order; false at the
// first that does not read.
bool ItemDialog::readUnreadFields()
{
    if (auto* refused = qobject_cast<QLineEdit*>(control(refusedField_)); refused && !readEdit(refusedField_, refused))
        return false;
    for (int id : editOrder_) {
        auto* edit = qobject_cast<QLineEdit*>(control(id));
        if (edit && edit->isModified() && !readEdit(id, edit))
            return false;
    }
    return true;
}

// A button, list or bar was used: the fields typed into are read first, and
// the use is dropped when one does not read; the controls then show the
// working copy again (so a dropped click is undone on the screen).
void ItemDialog::change(const std::function<void()>& apply)
{
    if (refreshing_)
        return;
    if (readUnreadFields())
        apply();
    refresh();
}

void ItemDialog::tellNotAvailable(int id)
{
    const QByteArray name = plainLabel(id, editor_->form()).toUtf8();
    session_.messages().information(notAvailableText(std::string_view(name.constData(), name.size())));
}

void ItemDialog::openAlarm()
{
    if (!tools_ || !tools_->editAlarm) {
        tellNotAvailable(alarm);
        return;
    }
    if (!readUnreadFields())
        return;
    ItemRecord edited = editor_->record();
    if (tools_->editAlarm(this, edited))
        editor_->takeAlarm(edited);
    refresh();
}

void ItemDialog::openNote()
{
    if (!tools_ || !tools_->openNote) {
        tellNotAvailable(notes);
        return;
    }
    if (readUnreadFields())
        tools_->openNote(*this);
    refresh();
}

void ItemDialog::openRecurrence()
{
    if (!readUnreadFields())
        return;
    EntryContext context;
    {
        BackgroundWork::Hold hold = work_.holdForChange(session_.messages());
        context = session_.entryContext();
    }
    RecurrenceDialog dialog(editor_->ruleToEdit(), context, session_.messages(), this);
    if (dialog.exec() == QDialog::Accepted)
        editor_->acceptRecurrence(dialog.rule());
    refresh();
    if (QWidget* text = control(ControlId::text))
        text->setFocus();
}

void ItemDialog::pressRecurring()
{
    if (refreshing_)
        return;
    if (!readUnreadFields()) {
        refresh();
        return;
    }
    if (editor_->pressRecurring() == RecurringPress::OpenRecurrence)
        openRecurrence();
    refresh();
}

void ItemDialog::chooseColour()
{
    const std::uint32_t c = editor_->projectColour().value_or(0xFFFFFF);
    QColorDialog chooser(QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF), this);
    chooser.setObjectName(QStringLiteral("ProjectColour"));
    if (chooser.exec() != QDialog::Accepted)
        return;
    const QColor chosen = chooser.selectedColor();
    const auto colorRef = static_cast<std::uint32_t>(chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16));
    change([this, colorRef] { editor_->setProjectColour(colorRef); });
}

// The next or previous occurrence of the series, skipping cancelled days:
// its exception when it has one, else the definition on that day.
std::optional<ItemDialogRequest> ItemDialog::instanceAfterStep(int direction)
{
    Schedule& s = session_.schedule();
    ItemHandle definition = s.recurrences.findByItemId(editor_->definitionId());
    if (!definition)
        return std::nullopt;
    const DayNumber today = session_.clock().today();
    DayNumber day = editor_->instanceDay();
    do {
        day = direction > 0 ? nextOccurrence(s, definition, day, today) : previousOccurrence(s, definition, day, today);
    } while (!day.isNone() && s.recurrences.isCancelled(definition, day));
    if (day.isNone())
        return std::nullopt;
    std::optional<ExceptionEntry> entry = s.recurrences.findEntry(definition, day);
    return ItemDialogRequest{command_, entry && entry->item ? entry->item : definition, std::nullopt, {}, day};
}

void ItemDialog::step(int direction)
{
    if (!readUnreadFields())
        return;
    std::optional<ItemDialogRequest> following;
    {
        BackgroundWork::Hold hold = work_.holdForChange(session_.messages());
        result_ = commitItemEdit(session_, *editor_);
        if (!result_.closesEditor()) {
            refresh();
            return;
        }
        following = instanceAfterStep(direction);
        if (following) {
            ItemEditorRequest editing{following->command, following->item, std::nullopt, {}, following->day};
            editor_ = std::make_unique<ItemEditor>(session_.schedule(), session_.entryContext(), editing,
                                                   session_.messages());
        }
    }
    if (!following) {
        QDialog::accept();
        return;
    }
    refresh();
}

void ItemDialog::accept()
{
    if (!readUnreadFields())
        return;
    {
        BackgroundWork::Hold hold = work_.holdForChange(session_.messages());
        result_ = commitItemEdit(session_, *editor_);
    }
    if (result_.closesEditor())
        QDialog::accept();
}

int defineItem(QWidget* parent, ItemDialogRequest request, Session& session, BackgroundWork& work,
               CommitResult* result)
{
    ItemDialog dialog(session, work, std::move(request), parent);
    const int code = dialog.exec();
    const int answer = code == QDialog::Accepted ? 1 : code == kItemDialogDeleted ? kItemDialogDeleted : 0;
    if (result)
        *result = dialog.result();
    return answer;
}

} // namespace zk
