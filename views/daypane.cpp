#include "views/daypane.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "engine/daylayout.h"
#include "exchange/dayblock.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zk {

namespace {

constexpr std::size_t kTimeColumnWidth = 6;  // the export line's start column

QString trimmed(const std::string& text) { return QString::fromStdString(text).trimmed(); }

// The export's item line holds the start column, then the description and
// its marks: the pane shows the two in columns of their own.
void addEntryLine(QTreeWidget* tree, const Schedule& schedule, const DayEntry& entry, DayNumber day,
                  const DayBlockContext& context)
{
    std::string line = exportItemLine(schedule, entry, day, context);
    auto* row = new QTreeWidgetItem(tree);
    row->setText(0, trimmed(line.substr(0, kTimeColumnWidth)));
    row->setText(1, trimmed(line.size() > kTimeColumnWidth ? line.substr(kTimeColumnWidth) : std::string()));
    row->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    const ItemRecord& record = schedule.record(entry.item);
    if (record.has(ItemFlag::fDone)) {
        row->setForeground(0, QColor(0x70, 0x70, 0x70));
        row->setForeground(1, QColor(0x70, 0x70, 0x70));
    }
    if (entry.conflicting())
        row->setForeground(0, QColor(0xb0, 0x10, 0x10));
}

} // namespace

DayPane::DayPane(QWidget* parent)
    : QWidget(parent), heading_(new QLabel(this)), facts_(new QLabel(this)), entries_(new QTreeWidget(this))
{
    QFont big = heading_->font();
    big.setPointSizeF(big.pointSizeF() * 1.35);
    big.setBold(true);
    heading_->setFont(big);
    heading_->setObjectName("dayHeading");
    facts_->setObjectName("dayFacts");
    entries_->setColumnCount(2);
    entries_->setHeaderLabels({tr("Time"), tr("Description")});
    entries_->setRootIsDecorated(false);
    entries_->setUniformRowHeights(true);
    entries_->setSelectionMode(QAbstractItemView::SingleSelection);
    entries_->setAlternatingRowColors(true);
    entries_->header()->setStretchLastSection(true);
    entries_->header()->setSectionsMovable(false);
    entries_->headerItem()->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    // Room between the lines and between the two columns, for reading at a glance.
    entries_->setStyleSheet("QTreeView::item { padding: 3px 6px; }");
    entries_->header()->setStyleSheet("QHeaderView::section { padding: 3px 6px; }");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 6);
    layout->setSpacing(4);
    layout->addWidget(heading_);
    layout->addWidget(facts_);
    layout->addWidget(entries_, 1);
}

void DayPane::showDay(Schedule& schedule, DayNumber day, const DayPaneMoment& moment, const RegionalSettings& regional)
{
    day_ = day;
    PlacementContext at;
    at.today = moment.today;
    at.now = moment.now;
    const DayRecord* record = schedule.findDay(day) ? openDayForDisplay(schedule, day, at) : nullptr;
    DayBlockContext context{moment.today, moment.now, regional};

    heading_->setText(QString::fromStdString(dayName(day, regional) + " " + shortDate(day, regional)));
    facts_->setText(trimmed(dayFactsText(schedule, day, context)));
    entries_->clear();
    if (record)
        for (const DayEntry& entry : record->entries())
            addEntryLine(entries_, schedule, entry, day, context);
    // Wide enough for "12:00a" and "note" in any font, never wider.
    entries_->resizeColumnToContents(0);
    entries_->setColumnWidth(0, std::max(entries_->columnWidth(0), fontMetrics().horizontalAdvance("00:00pm") + 24));
}

QString DayPane::heading() const { return heading_->text(); }
QString DayPane::facts() const { return facts_->text(); }

QStringList DayPane::lines() const
{
    QStringList out;
    for (int i = 0; i < entries_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = entries_->topLevelItem(i);
        out << row->text(0) + '\t' + row->text(1);
    }
    return out;
}

} // namespace zk
