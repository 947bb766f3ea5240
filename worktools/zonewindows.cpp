#include "worktools/zonewindows.h"

#include "platform/messages.h"
#include "worktools/dialogparts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace zk {

namespace {

const char* const kWeekNames[] = {"Last", "First", "Second", "Third", "Fourth"};

QComboBox* weekCombo(int id)
{
    auto* combo = named(new QComboBox, id);
    for (const char* name : kWeekNames)
        combo->addItem(QObject::tr(name));
    return combo;
}

QComboBox* weekdayCombo(int id)
{
    auto* combo = named(new QComboBox, id);
    const QLocale locale;
    for (int weekday = 0; weekday < 7; ++weekday)  // Sunday first, as the rules count
        combo->addItem(locale.dayName(weekday == 0 ? 7 : weekday));
    return combo;
}

QComboBox* monthCombo(int id)
{
    auto* combo = named(new QComboBox, id);
    const QLocale locale;
    for (int month = 1; month <= 12; ++month)
        combo->addItem(locale.monthName(month));
    return combo;
}

constexpr const char* kNewZoneName = "New zone";

} // namespace

// --- Define Time Zones ----------------------------------------------------------------------

DefineTimeZonesDialog::DefineTimeZonesDialog(ZoneTable& table, const QString& computerSetting, Messages& messages,
                                             QWidget* parent)
    : QDialog(parent), table_(table), messages_(messages)
{
    setObjectName("DefineTimeZones");
    setWindowTitle(tr("Define Time Zones"));
    names_ = named(new QComboBox, 1102);
    names_->setEditable(true);
    names_->setInsertPolicy(QComboBox::NoInsert);
    names_->lineEdit()->setMaxLength(static_cast<int>(kMaxZoneNameBytes));
    for (const Zone& zone : table_.zones)
        names_->addItem(QString::fromStdString(zone.name));
    offset_ = named(new QLineEdit, 1101);
    offset_->setToolTip(tr("Hours and minutes west of universal time: 5:00 for New York, -1:00 for Paris"));
    standardYearRound_ = named(new QCheckBox(tr("&Standard Time Year Round")), 1111);
    rules_ = {weekCombo(1103), weekdayCombo(1104), monthCombo(1105), weekCombo(1106), weekdayCombo(1107), monthCombo(1108)};
    auto* computer = named(new QLineEdit(computerSetting), 1323);
    computer->setReadOnly(true);

    daylight_ = new QGroupBox(tr("Daylight Saving Time"));
    auto* rules = new QGridLayout(daylight_);
    auto* begins = new QLabel(tr("&Begins"));
    begins->setBuddy(rules_[0]);
    auto* ends = new QLabel(tr("&Ends"));
    ends->setBuddy(rules_[3]);
    rules->addWidget(begins, 0, 0);
    rules->addWidget(ends, 1, 0);
    for (int i = 0; i < 6; ++i)
        rules->addWidget(rules_[static_cast<std::size_t>(i)], i / 3, 1 + i % 3);

    add_ = new QPushButton(tr("&Add"));
    remove_ = new QPushButton(tr("&Remove"));
    for (QPushButton* b : {add_, remove_})
        b->setAutoDefault(false);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(names_, 1);
    nameRow->addWidget(add_);
    nameRow->addWidget(remove_);

    auto* form = new QFormLayout;
    auto* nameLabel = new QLabel(tr("&Time Zone:"));
    nameLabel->setBuddy(names_);
    form->addRow(nameLabel, nameRow);
    form->addRow(tr("&Offset (west of UTC):"), offset_);
    form->addRow(standardYearRound_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(daylight_);
    auto* computerForm = new QFormLayout;
    computerForm->addRow(tr("Your system setting is:"), computer);
    layout->addLayout(computerForm);
    layout->addWidget(okCancel(this));

    connect(names_, &QComboBox::activated, this, &DefineTimeZonesDialog::selectZone);
    connect(names_->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) { typedName_ = text; });
    connect(standardYearRound_, &QCheckBox::toggled, this, &DefineTimeZonesDialog::daylightToggled);
    connect(add_, &QPushButton::clicked, this, &DefineTimeZonesDialog::addZone);
    connect(remove_, &QPushButton::clicked, this, &DefineTimeZonesDialog::removeZone);
    showZone(table_.zones.empty() ? -1 : 0);
}

void DefineTimeZonesDialog::daylightToggled()
{
    for (QComboBox* combo : rules_) {
        combo->setEnabled(!standardYearRound_->isChecked());
        if (standardYearRound_->isChecked())
            combo->setCurrentIndex(-1);
        else if (combo->currentIndex() < 0)
            combo->setCurrentIndex(0);
    }
}

void DefineTimeZonesDialog::showZone(int index)
{
    shown_ = index;
    typedName_.reset();
    const bool any = index >= 0;
    offset_->setEnabled(any);
    standardYearRound_->setEnabled(any);
    remove_->setEnabled(any);
    add_->setEnabled(table_.zones.size() < kMaxZones);
    if (!any) {
        names_->setEditText(QString());
        offset_->clear();
        return;
    }
    const ZoneRecord& r = table_.zones[static_cast<std::size_t>(index)].record;
    names_->setCurrentIndex(index);
    offset_->setText(QString::fromStdString(offsetText(r.minutesWest)));
    standardYearRound_->setChecked(!r.daylightSaving);
    const int values[] = {r.begin.week, r.begin.weekday, r.begin.month - 1, r.end.week, r.end.weekday, r.end.month - 1};
    for (std::size_t i = 0; i < rules_.size(); ++i)
        rules_[i]->setCurrentIndex(r.daylightSaving ? values[i] : -1);
    daylightToggled();
}

bool DefineTimeZonesDialog::storeShown()
{
    if (shown_ < 0)
        return true;
    const std::string offsetEntry = offset_->text().trimmed().toStdString();
    std::optional<int> offset = parseOffset(offsetEntry);
    if (!offset) {
        messages_.error(invalidZoneValueText(offsetEntry));
        names_->setCurrentIndex(shown_);
        offset_->setFocus();
        offset_->selectAll();
        return false;
    }
    Zone& zone = table_.zones[static_cast<std::size_t>(shown_)];
    const QString name = typedName_ ? typedName_->trimmed() : QString();
    if (!name.isEmpty()) {
        zone.name = name.toStdString();
        names_->setItemText(shown_, name);
    }
    typedName_.reset();
    zone.record.minutesWest = *offset;
    zone.record.daylightSaving = !standardYearRound_->isChecked();
    if (zone.record.daylightSaving) {
        auto at = [this](std::size_t i) { return std::max(0, rules_[i]->currentIndex()); };
        zone.record.begin = {at(0), at(1), at(2) + 1};
        zone.record.end = {at(3), at(4), at(5) + 1};
    } else {
        zone.record.begin = zone.record.end = {};
    }
    return true;
}

void DefineTimeZonesDialog::selectZone(int index)
{
    if (index == shown_)
        return;
    if (storeShown())
        showZone(index);
}

void DefineTimeZonesDialog::addZone()
{
    if (table_.zones.size() >= kMaxZones || !storeShown())
        return;
    table_.zones.push_back(Zone{ZoneRecord{}, kNewZoneName, false});
    names_->addItem(tr(kNewZoneName));
    showZone(static_cast<int>(table_.zones.size()) - 1);
    names_->lineEdit()->selectAll();
    names_->setFocus();
}

void DefineTimeZonesDialog::removeZone()
{
    if (shown_ < 0)
        return;
    const int removed = shown_;
    table_.zones.erase(table_.zones.begin() + removed);
    shown_ = -1;
    names_->removeItem(removed);
    showZone(table_.zones.empty() ? -1 : std::min(removed, static_cast<int>(table_.zones.size()) - 1));
}

void DefineTimeZonesDialog::accept()
{
    if (storeShown())
        QDialog::accept();
}

// --- Define World Timeline --------------------------------------------------------------------

WorldTimelineDialog::WorldTimelineDialog(const ZoneTable& table, QWidget* parent) : QDialog(parent)
{
    setObjectName("WorldTimelineBox");
    setWindowTitle(tr("World Timeline"));
    cities_ = named(new QListWidget, 1321);
    cities_->setSelectionMode(QAbstractItemView::MultiSelection);
    for (const Zone& zone : table.zones) {
        auto* item = new QListWidgetItem(QString::fromStdString(zone.name), cities_);
        item->setSelected(zone.shown);
    }
    auto* label = new QLabel(tr("&Cities:"));
    label->setBuddy(cities_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(cities_);
    layout->addWidget(okCancel(this));
}

std::vector<bool> WorldTimelineDialog::shown() const
{
    std::vector<bool> shown;
    for (int i = 0; i < cities_->count(); ++i)
        shown.push_back(cities_->item(i)->isSelected());
    return shown;
}

// --- the World Timeline ---------------------------------------------------------------------

WorldTimelineStrip::WorldTimelineStrip(QWidget* parent) : QWidget(parent)
{
    setObjectName("Zelkon WorldTimeline");
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void WorldTimelineStrip::setColumns(std::vector<Column> columns)
{
    if (columns == columns_)
        return;
    columns_ = std::move(columns);
    update();
}

QSize WorldTimelineStrip::sizeHint() const { return {400, fontMetrics().height() + 8}; }

void WorldTimelineStrip::paintEvent(QPaintEvent*)
{
    if (columns_.empty())
        return;
    QPainter painter(this);
    const int n = static_cast<int>(columns_.size());
    const int width = rect().width() / n;
    for (int i = 0; i < n; ++i) {
        const Column& column = columns_[static_cast<std::size_t>(i)];
        // The last column takes the remainder of the width.
        QRect cell(i * width, 0, i == n - 1 ? rect().width() - i * width : width, rect().height());
        const QPalette& p = palette();
        painter.fillRect(cell, column.inverted ? p.color(QPalette::WindowText) : p.color(QPalette::Base));
        painter.setPen(column.inverted ? p.color(QPalette::Base) : p.color(QPalette::WindowText));
        painter.drawText(cell, Qt::AlignCenter | Qt::TextSingleLine, column.text);
        painter.setPen(p.color(QPalette::Mid));
        painter.drawRect(cell.adjusted(0, 0, -1, -1));
    }
}

} // namespace zk
