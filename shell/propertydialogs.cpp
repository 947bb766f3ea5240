#include "shell/propertydialogs.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "engine/itemediting.h"
#include "engine/marvals.h"
#include "platform/messages.h"
#include "shell/formdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include <charconv>

namespace zk {

namespace {

const char* const kNightOwlText = "Night owl support. Midnight at ";
const char* const kBizHoursOrderText = "The business hours must end after they begin.";
const char* const kWorthRangeText = "Enter an hour's worth from 0 to 32767 dollars.";
const char* const kRateRangeText = "Enter an interest rate from 0 to 255 percent.";
const char* const kInterruptionLengthText = "Enter how long the interruption took, from 1 minute to 24 hours.";

std::string textOf(const QLineEdit* edit) { return edit->text().trimmed().toStdString(); }

// A refused field keeps the focus with its text selected.
void refuse(Messages& messages, QLineEdit* edit, const std::string& text)
{
    messages.error(text);
    edit->setFocus();
    edit->selectAll();
}

std::optional<TimeValue> readTime(QLineEdit* edit, const EntryContext& context, Messages& messages)
{
    const int value = parseTimeEntry(textOf(edit), context);
    if (value == kInvalidEntry || value == 0) {
        refuse(messages, edit, kInvalidTimeText);
        return std::nullopt;
    }
    return TimeValue(value);
}

std::optional<int> readWhole(QLineEdit* edit, int low, int high)
{
    const std::string text = textOf(edit);
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

QComboBox* itemBox(const char* objectName, const std::vector<ItemChoice>& items, std::uint32_t chosen)
{
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(objectName));
    box->addItem(QStringLiteral("(none)"));
    for (std::size_t i = 0; i < items.size(); ++i) {
        box->addItem(QString::fromStdString(items[i].name));
        if (chosen != 0 && items[i].id == chosen)
            box->setCurrentIndex(static_cast<int>(i) + 1);
    }
    return box;
}

std::uint32_t chosenItem(const QComboBox* box, const std::vector<ItemChoice>& items)
{
    const int index = box->currentIndex();
    return index >= 1 && static_cast<std::size_t>(index) <= items.size() ? items[index - 1].id : 0;
}

} // namespace

// --- Day Bounds -----------------------------------------------------------------------

DayBoundsDialog::DayBoundsDialog(const Values& current, std::vector<ItemChoice> items, const EntryContext& context,
                                 Messages& messages, QWidget* parent)
    : QDialog(parent), items_(std::move(items)), context_(context), messages_(messages), values_(current)
{
    setObjectName(QStringLiteral("DayBounds"));
    setWindowTitle(QStringLiteral("Day Bounds"));
    // Small hours are read as they are typed, not as the end of today's window.
    context_.nightOwl = false;
    auto* form = new QFormLayout;
    from_ = addFormField(form, "from", QStringLiteral("&From:"), timeText(current.from, context.regional));
    to_ = addFormField(form, "to", QStringLiteral("&To:"), timeText(current.to, context.regional));
    first_ = itemBox("first", items_, current.first);
    last_ = itemBox("last", items_, current.last);
    form->addRow(QStringLiteral("F&irst:"), first_);
    form->addRow(QStringLiteral("&Last:"), last_);
    nightOwl_ = new QLabel;
    nightOwl_->setObjectName(QStringLiteral("nightOwl"));
    finishFormDialog(this, form, nightOwl_);
    connect(from_, &QLineEdit::textChanged, this, [this] { showNightOwl(); });
    connect(to_, &QLineEdit::textChanged, this, [this] { showNightOwl(); });
    showNightOwl();
}

// While the window ends before it begins, the day changes at the middle of
// the hours outside it, and time entry follows.
void DayBoundsDialog::showNightOwl()
{
    const int from = parseTimeEntry(textOf(from_), context_);
    const int to = parseTimeEntry(textOf(to_), context_);
    if (from <= 0 || to <= 0 || (to - 1) % 1440 >= (from - 1) % 1440) {
        nightOwl_->clear();
        return;
    }
    const TimeValue midnight = nightOwlMidnight(TimeValue(from), TimeValue(to));
    nightOwl_->setText(QString::fromLatin1(kNightOwlText) + QString::fromStdString(timeText(midnight, context_.regional)));
}

void DayBoundsDialog::accept()
{
    std::optional<TimeValue> from = readTime(from_, context_, messages_);
    if (!from)
        return;
    std::optional<TimeValue> to = readTime(to_, context_, messages_);
    if (!to)
        return;
    const std::uint32_t first = chosenItem(first_, items_);
    const std::uint32_t last = chosenItem(last_, items_);
    if (first != 0 && first == last) {
        messages_.error(kSameFirstAndLastText);
        last_->setFocus();
        return;
    }
    values_ = {*from, *to, first, last};
    QDialog::accept();
}

// --- Biz Hours ------------------------------------------------------------------------

BizHoursDialog::BizHoursDialog(TimeValue begin, TimeValue end, const EntryContext& context, Messages& messages,
                               QWidget* parent)
    : QDialog(parent), context_(context), messages_(messages), begin_(begin), end_(end)
{
    setObjectName(QStringLiteral("BizDay"));
    setWindowTitle(QStringLiteral("Business Hours"));
    context_.nightOwl = false;
    auto* form = new QFormLayout;
    beginEdit_ = addFormField(form, "begin", QStringLiteral("&Begin:"), timeText(begin, context.regional));
    endEdit_ = addFormField(form, "end", QStringLiteral("&End:"), timeText(end, context.regional));
    finishFormDialog(this, form,
                     formNote(QStringLiteral("Items marked for business hours keep within these hours on business days.")));
}

void BizHoursDialog::accept()
{
    std::optional<TimeValue> begin = readTime(beginEdit_, context_, messages_);
    if (!begin)
        return;
    std::optional<TimeValue> end = readTime(endEdit_, context_, messages_);
    if (!end)
        return;
    if (*end <= *begin) {
        refuse(messages_, endEdit_, kBizHoursOrderText);
        return;
    }
    begin_ = *begin;
    end_ = *end;
    QDialog::accept();
}

// --- Time Values ----------------------------------------------------------------------

TimeValuesDialog::TimeValuesDialog(const TimeValues& current, Messages& messages, QWidget* parent)
    : QDialog(parent), messages_(messages), values_(current)
{
    setObjectName(QStringLiteral("TimeValues"));
    setWindowTitle(QStringLiteral("Time Values"));
    auto* form = new QFormLayout;
    worth_ = addFormField(form, "worth", QStringLiteral("&Hourly worth ($):"), std::to_string(current.hourlyWorth));
    rate_ = addFormField(form, "rate", QStringLiteral("&Interest rate (%):"), std::to_string(current.interestRate));
    marvals_ = new QCheckBox(QStringLiteral("&Marval Prioritization"));
    marvals_->setObjectName(QStringLiteral("marvals"));
    marvals_->setChecked(current.marvals);
    form->addRow(QString(), marvals_);
    finishFormDialog(this, form,
                     formNote(QStringLiteral("What an hour of your time is worth, and the rate values earn a year. "
                                             "With Marval Prioritization the A class of the priority list is "
                                             "ordered by value per hour.")));
}

void TimeValuesDialog::accept()
{
    std::optional<int> worth = readWhole(worth_, 0, 32767);
    if (!worth) {
        refuse(messages_, worth_, kWorthRangeText);
        return;
    }
    std::optional<int> rate = readWhole(rate_, 0, 255);
    if (!rate) {
        refuse(messages_, rate_, kRateRangeText);
        return;
    }
    values_ = {*worth, *rate, marvals_->isChecked()};
    QDialog::accept();
}

// --- Handle Interruption --------------------------------------------------------------

InterruptionDialog::InterruptionDialog(Messages& messages, QWidget* parent) : QDialog(parent), messages_(messages)
{
    setObjectName(QStringLiteral("HandleInterruption"));
    setWindowTitle(QStringLiteral("Handle Interruption"));
    auto* form = new QFormLayout;
    text_ = addFormField(form, "text", QStringLiteral("&Item:"), interruption_.text);
    duration_ = addFormField(form, "duration", QStringLiteral("&Lasted until now:"), ":15");
    finishFormDialog(this, form,
                     formNote(QStringLiteral("The interruption goes into today as done, ending now; "
                                             "the floating items move after it.")));
}

void InterruptionDialog::accept()
{
    std::optional<int> minutes = parseDurationEntry(textOf(duration_));
    if (!minutes || *minutes < 1) {
        refuse(messages_, duration_, kInterruptionLengthText);
        return;
    }
    interruption_.text = textOf(text_);
    if (interruption_.text.empty())
        interruption_.text = kInterruptionText;
    interruption_.minutes = *minutes;
    QDialog::accept();
}

// --- Shift Priority List Marvals ------------------------------------------------------

MarvalsFactorDialog::MarvalsFactorDialog(Messages& messages, QWidget* parent) : QDialog(parent), messages_(messages)
{
    setObjectName(QStringLiteral("MarvalsFactor"));
    setWindowTitle(QStringLiteral("Shift Priority List Marvals"));
    auto* form = new QFormLayout;
    factorEdit_ = addFormField(form, "factor", QString::fromLatin1(kMultiplyValuesPrompt), "1.0");
    finishFormDialog(this, form);
}

void MarvalsFactorDialog::accept()
{
    std::optional<double> factor = marvalsFactor(textOf(factorEdit_));
    if (!factor) {
        refuse(messages_, factorEdit_, kInvalidNumberText);
        return;
    }
    factor_ = *factor;
    QDialog::accept();
}

} // namespace zk
