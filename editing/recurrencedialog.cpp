#include "editing/recurrencedialog.h"

#include "editing/fieldreading.h"
#include "engine/rulecheck.h"
#include "platform/messages.h"
#include "views/dropcalendar.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace zk {

namespace {

constexpr const char* kWeekdayLabels[] = {"Su", "M", "T", "W", "H", "F", "Sa"};
constexpr const char* kMonthLabels[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kWeekLabels[] = {"1st", "2nd", "3rd", "4th", "last"};

QString unitOf(RecurPeriod period)
{
    switch (period) {
    case RecurPeriod::Daily: return QStringLiteral("days");
    case RecurPeriod::Weekly: return QStringLiteral("weeks");
    case RecurPeriod::Monthly: return QStringLiteral("months");
    case RecurPeriod::Annually: return QStringLiteral("years");
    }
    return {};
}

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

} // namespace

RecurrenceDialog::RecurrenceDialog(const RecurrenceRecord& rule, EntryContext context, Messages& messages,
                                   QWidget* parent)
    : QDialog(parent), messages_(messages), today_(context.today),
      editor_(std::make_unique<RecurrenceEditor>(rule, context, messages)), rule_(rule)
{
    setObjectName(QStringLiteral("RecurBox"));
    setWindowTitle(QStringLiteral("Recurring"));
    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(buildPeriod());
    left->addWidget(buildWeekdays());
    left->addWidget(buildCarryOver());
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(buildMonthly());
    right->addWidget(buildMonths());
    top->addLayout(left);
    top->addLayout(right);

    auto* bottom = new QHBoxLayout;
    addBox(new QCheckBox(QStringLiteral("Suspended"), this), QStringLiteral("suspended"),
           [this](bool on) { editor_->setSuspended(on); });
    boxes_.back().second = [this] { return editor_->suspended(); };
    bottom->addWidget(boxes_.back().first);
    addBox(new QCheckBox(QStringLiteral("Share Notes"), this), QStringLiteral("shareNotes"),
           [this](bool on) { editor_->setShareNotes(on); });
    boxes_.back().second = [this] { return editor_->shareNotes(); };
    bottom->addWidget(boxes_.back().first);
    bottom->addSpacing(16);
    for (auto [label, name, field] : {std::tuple{"&Starting:", "starting", RecurrenceField::Starting},
                                      {"&Ending:", "ending", RecurrenceField::Ending}}) {
        QLineEdit* edit = addEdit(name, field);
        attachDropCalendar(*edit, {[day = context.today] { return day; }, context.regional,
                                   context.week.weekStartsMonday});
        auto* caption = new QLabel(QString::fromUtf8(label), this);
        caption->setBuddy(edit);
        bottom->addWidget(caption);
        bottom->addWidget(edit);
    }
    bottom->addStretch(1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &RecurrenceDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);
    layout->addWidget(buttons);
    refresh();
}

RecurrenceDialog::~RecurrenceDialog() = default;

// --- building --------------------------------------------------------------------

QAbstractButton* RecurrenceDialog::addBox(QAbstractButton* box, const QString& name, std::function<void(bool)> set)
{
    box->setObjectName(name);
    boxes_.emplace_back(box, std::function<bool()>{});
    connect(box, &QAbstractButton::clicked, this, [this, set = std::move(set)](bool checked) {
        if (refreshing_)
            return;
        // What was typed is read first; a field that does not read drops the click.
        if (readUnread())
            set(checked);
        refresh();
    });
    return box;
}

QLineEdit* RecurrenceDialog::addEdit(const char* name, RecurrenceField field)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromUtf8(name));
    edit->setMaximumWidth(field == RecurrenceField::Interval ? 50 : 90);
    edit->installEventFilter(this);
    edits_.emplace_back(edit, field);
    return edit;
}

QWidget* RecurrenceDialog::buildPeriod()
{
    auto* group = new QGroupBox(QStringLiteral("Recurs"), this);
    auto* layout = new QGridLayout(group);
    auto* exclusive = new QButtonGroup(group);
    const std::tuple<const char*, const char*, RecurPeriod> periods[] = {
        {"&Daily", "daily", RecurPeriod::Daily},
        {"&Weekly", "weekly", RecurPeriod::Weekly},
        {"&Monthly", "monthly", RecurPeriod::Monthly},
        {"&Annually", "annually", RecurPeriod::Annually},
    };
    int row = 0;
    for (auto [label, name, period] : periods) {
        auto* radio = new QRadioButton(QString::fromUtf8(label), group);
        exclusive->addButton(radio);
        addBox(radio, QString::fromUtf8(name), [this, period = period](bool) { editor_->setPeriod(period); });
        boxes_.back().second = [this, period = period] { return editor_->period() == period; };
        layout->addWidget(radio, row++, 0);
    }
    auto* every = new QCheckBox(QStringLiteral("E&very"), group);
    addBox(every, QStringLiteral("every"), [this](bool on) { editor_->setEvery(on); });
    boxes_.back().second = [this] { return editor_->every(); };
    auto* line = new QHBoxLayout;
    line->addWidget(every);
    line->addWidget(addEdit("interval", RecurrenceField::Interval));
    unit_ = new QLabel(group);
    line->addWidget(unit_);
    line->addStretch(1);
    layout->addLayout(line, row, 0, 1, 2);
    return group;
}

QWidget* RecurrenceDialog::buildWeekdays()
{
    auto* group = new QGroupBox(QStringLiteral("Weekdays"), this);
    auto* layout = new QHBoxLayout(group);
    for (int n = 0; n < 7; ++n) {
        auto* box = new QCheckBox(QString::fromUtf8(kWeekdayLabels[n]), group);
        addBox(box, QStringLiteral("weekday%1").arg(n), [this, n](bool on) { editor_->setWeekday(n, on); });
        boxes_.back().second = [this, n] { return editor_->weekday(n); };
        layout->addWidget(box);
    }
    weekdays_ = group;
    return group;
}

QWidget* RecurrenceDialog::buildMonthly()
{
    auto* group = new QGroupBox(QStringLiteral("Monthly"), this);
    auto* layout = new QVBoxLayout(group);
    auto* modes = new QHBoxLayout;
    auto* exclusive = new QButtonGroup(group);
    const std::tuple<const char*, const char*, MonthlyMode> choices[] = {
        {"Day (1-31) of month", "dayOfMonth", MonthlyMode::DayOfMonth},
        {"Weekday of month", "weekdayOfMonth", MonthlyMode::WeekdayOfMonth},
        {"4,4,5", "fourFourFive", MonthlyMode::FourFourFive},
    };
    for (auto [label, name, mode] : choices) {
        auto* radio = new QRadioButton(QString::fromUtf8(label), group);
        exclusive->addButton(radio);
        addBox(radio, QString::fromUtf8(name), [this, mode = mode](bool) { editor_->setMonthlyMode(mode); });
        boxes_.back().second = [this, mode = mode] { return editor_->monthlyMode() == mode; };
        modes->addWidget(radio);
    }
    modes->addStretch(1);
    layout->addLayout(modes);

    grids_ = new QStackedWidget(group);
    // The days of the month, a week to a row.
    auto* days = new QWidget(grids_);
    auto* dayGrid = new QGridLayout(days);
    dayGrid->setSpacing(2);
    for (int k = 1; k <= 31; ++k) {
        auto* box = new QCheckBox(QString::number(k), days);
        addBox(box, QStringLiteral("day%1").arg(k), [this, k](bool on) { editor_->setDayOfMonth(k, on); });
        boxes_.back().second = [this, k] { return editor_->dayOfMonth(k); };
        dayGrid->addWidget(box, (k - 1) / 7, (k - 1) % 7);
    }
    grids_->addWidget(days);
    // The weeks of the month (or of a 4,4,5 period) against the weekdays.
    auto* weeks = new QWidget(grids_);
    auto* weekGrid = new QGridLayout(weeks);
    weekGrid->setSpacing(2);
    for (int n = 0; n < 7; ++n)
        weekGrid->addWidget(new QLabel(QString::fromUtf8(kWeekdayLabels[n]), weeks), 0, n + 1, Qt::AlignCenter);
    for (int week = 1; week <= kGridWeeks; ++week) {
        auto* label = new QLabel(QString::fromUtf8(kWeekLabels[week - 1]), weeks);
        if (week == kGridWeeks)
            lastRowLabel_ = label;
        weekGrid->addWidget(label, week, 0);
        for (int n = 0; n < 7; ++n) {
            auto* box = new QCheckBox(weeks);
            box->setAccessibleName(QStringLiteral("%1 %2").arg(QString::fromUtf8(kWeekLabels[week - 1]),
                                                                QString::fromUtf8(kWeekdayLabels[n])));
            addBox(box, QStringLiteral("grid%1-%2").arg(week).arg(n),
                   [this, week, n](bool on) { editor_->setGridCell(week, n, on); });
            boxes_.back().second = [this, week, n] { return editor_->gridCell(week, n); };
            weekGrid->addWidget(box, week, n + 1, Qt::AlignCenter);
        }
    }
    grids_->addWidget(weeks);
    layout->addWidget(grids_);

    nearestRow_ = new QWidget(group);
    auto* nearest = new QHBoxLayout(nearestRow_);
    nearest->setContentsMargins(0, 0, 0, 0);
    const std::tuple<const char*, const char*, void (RecurrenceEditor::*)(bool), bool (RecurrenceEditor::*)() const>
        options[] = {
            {"&Nearest", "nearest", &RecurrenceEditor::setNearest, &RecurrenceEditor::nearest},
            {"On/A&fter", "onOrAfter", &RecurrenceEditor::setOnOrAfter, &RecurrenceEditor::onOrAfter},
            {"On/&Before", "onOrBefore", &RecurrenceEditor::setOnOrBefore, &RecurrenceEditor::onOrBefore},
        };
    for (auto [label, name, set, get] : options) {
        auto* box = new QCheckBox(QString::fromUtf8(label), nearestRow_);
        addBox(box, QString::fromUtf8(name), [this, set = set](bool on) { (editor_.get()->*set)(on); });
        boxes_.back().second = [this, get = get] { return (editor_.get()->*get)(); };
        nearest->addWidget(box);
    }
    nearest->addStretch(1);
    layout->addWidget(nearestRow_);
    monthly_ = group;
    return group;
}

// The boxes show the months the series occurs in; the record keeps the
// months it skips.
QWidget* RecurrenceDialog::buildMonths()
{
    auto* group = new QGroupBox(QStringLiteral("Months"), this);
    auto* layout = new QGridLayout(group);
    for (int m = 1; m <= 12; ++m) {
        auto* box = new QCheckBox(QString::fromUtf8(kMonthLabels[m - 1]), group);
        addBox(box, QStringLiteral("month%1").arg(m), [this, m](bool on) { editor_->setMonth(m, on); });
        boxes_.back().second = [this, m] { return editor_->month(m); };
        layout->addWidget(box, (m - 1) / 6, (m - 1) % 6);
    }
    return group;
}

QWidget* RecurrenceDialog::buildCarryOver()
{
    auto* group = new QGroupBox(QStringLiteral("Carry-over"), this);
    auto* layout = new QHBoxLayout(group);
    auto* exclusive = new QButtonGroup(group);
    const std::tuple<const char*, const char*, CarryOver> choices[] = {
        {"&Keep", "keep", CarryOver::Keep},
        {"Dele&te", "delete", CarryOver::Delete},
        {"S&hift", "shift", CarryOver::Shift},
    };
    for (auto [label, name, carry] : choices) {
        auto* radio = new QRadioButton(QString::fromUtf8(label), group);
        exclusive->addButton(radio);
        addBox(radio, QString::fromUtf8(name), [this, carry = carry](bool) { editor_->setCarryOver(carry); });
        boxes_.back().second = [this, carry = carry] { return editor_->carryOver() == carry; };
        layout->addWidget(radio);
    }
    layout->addStretch(1);
    return group;
}

// --- showing the editor ------------------------------------------------------------

void RecurrenceDialog::refresh()
{
    refreshing_ = true;
    for (auto& [box, checked] : boxes_)
        if (checked)
            box->setChecked(checked());
    for (auto& [edit, field] : edits_)
        if (!edit->isModified())
            edit->setText(fromUtf8(editor_->fieldText(field)));
    const RecurPeriod period = editor_->period();
    const bool monthly = period == RecurPeriod::Monthly;
    const MonthlyMode mode = editor_->monthlyMode();
    unit_->setText(unitOf(period));
    if (QWidget* interval = findChild<QLineEdit*>(QStringLiteral("interval")))
        interval->setEnabled(editor_->every());
    // The weekday boxes are the weekly days, and the weekdays Nearest may
    // move a day of the month to.
    weekdays_->setEnabled(period == RecurPeriod::Weekly || (monthly && mode == MonthlyMode::DayOfMonth));
    monthly_->setEnabled(monthly);
    grids_->setCurrentIndex(mode == MonthlyMode::DayOfMonth ? 0 : 1);
    nearestRow_->setEnabled(mode == MonthlyMode::DayOfMonth);
    lastRowLabel_->setText(mode == MonthlyMode::FourFourFive ? QStringLiteral("5th") : QStringLiteral("last"));
    refreshing_ = false;
}

// --- reading ---------------------------------------------------------------------------

bool RecurrenceDialog::readEdit(QLineEdit* edit)
{
    // A refusal just shown is not shown again for the same text.
    if (edit == refused_ && edit->text() == refusedText_)
        return keepFocusOn(edit);
    RecurrenceField field{};
    for (auto& [e, f] : edits_)
        if (e == edit)
            field = f;
    const QByteArray typed = edit->text().toUtf8();
    if (!editor_->readField(field, std::string_view(typed.constData(), typed.size())).accepted()) {
        refused_ = edit;
        refusedText_ = edit->text();
        return keepFocusOn(edit);
    }
    refused_ = nullptr;
    edit->setModified(false);
    refresh();
    return true;
}

bool RecurrenceDialog::readUnread()
{
    if (refused_ && !readEdit(refused_))
        return false;
    for (auto& [edit, field] : edits_)
        if (edit->isModified() && !readEdit(edit))
            return false;
    return true;
}

bool RecurrenceDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (QLineEdit* edit = refreshing_ ? nullptr : editLeftUnread(watched, event))
        readEdit(edit);
    return QDialog::eventFilter(watched, event);
}

void RecurrenceDialog::accept()
{
    if (!readUnread())
        return;
    RecurrenceRecord rule = editor_->record();
    if (!checkRule(rule, editor_->intervalChoice(), messages_, today_))
        return;
    rule_ = rule;
    QDialog::accept();
}

} // namespace zk
