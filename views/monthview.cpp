#include "views/monthview.h"

#include "core/statustable.h"
#include "views/moondrawing.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace zk {

namespace {

constexpr int kPadding = 2;
const QColor kGridLine{0xA0, 0xA0, 0xA0};
const QColor kUnusable{0xE0, 0xE0, 0xE0};
const QColor kTodayFill{0xFF, 0xFB, 0xE0};
const QColor kViewedFrame{0x2F, 0x4F, 0x7F};

// A holiday's cell is filled with a pale shade of the highlight colour, so
// its entries stay readable.
QColor highlightFill(const QColor& highlight) { return QColor::fromHsv(highlight.hue(), 40, 255); }

} // namespace

// The painted grid under the caption; the MonthView keeps the cells.
class MonthGrid : public QWidget {
public:
    explicit MonthGrid(MonthView& view) : QWidget(&view), view_(view)
    {
        setObjectName(QStringLiteral("MonthGrid"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(7 * 20, kMonthWeeks * 20);
    }

    // Integer edges, so the cells fill the grid exactly; an empty grid has
    // no cells to paint.
    QRect cellRect(int index) const
    {
        const int row = index / 7;
        const int column = index % 7;
        const int left = column * width() / 7;
        const int top = row * height() / kMonthWeeks;
        return QRect(left, top, (column + 1) * width() / 7 - left, (row + 1) * height() / kMonthWeeks - top);
    }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        if (std::optional<DayNumber> day = view_.dayAt(event->position().toPoint()))
            emit view_.dayClicked(*day);
        else
            QApplication::beep();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        if (std::optional<DayNumber> day = view_.dayAt(event->position().toPoint()))
            emit view_.dayDoubleClicked(*day);
        else
            QApplication::beep();
    }
    void wheelEvent(QWheelEvent* event) override
    {
        const int steps = -event->angleDelta().y() / 120;
        if (steps != 0)
            emit view_.offsetRequested(view_.scrollBar_->value() + steps);
    }

private:
    void paintCell(QPainter& painter, const MonthCell& cell, const QRect& rect);
    int paintHeading(QPainter& painter, const MonthCell& cell, const QRect& rect);

    MonthView& view_;
};

void MonthGrid::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), view_.style_.background);
    if (width() <= 0 || height() <= 0)
        return;
    const std::vector<MonthCell>& cells = view_.cells_;
    for (std::size_t i = 0; i < cells.size() && i < static_cast<std::size_t>(kMonthCells); ++i) {
        const QRect r = cellRect(static_cast<int>(i));
        if (r.intersects(event->rect()))
            paintCell(painter, cells[i], r);
    }
    painter.setPen(kGridLine);
    for (int row = 1; row < kMonthWeeks; ++row)
        painter.drawLine(0, row * height() / kMonthWeeks, width(), row * height() / kMonthWeeks);
    for (int column = 1; column < 7; ++column)
        painter.drawLine(column * width() / 7, 0, column * width() / 7, height());
}

void MonthGrid::paintCell(QPainter& painter, const MonthCell& cell, const QRect& rect)
{
    const PaneStyle& style = view_.style_;
    if (!cell.usable) {
        painter.fillRect(rect, kUnusable);
        return;
    }
    painter.fillRect(rect, cell.highlighted ? highlightFill(style.highlight) : cell.today ? kTodayFill : style.background);
    if (cell.firstOfMonth) {
        // The month boundary: a corner wedge in the first cell of a month.
        const int size = std::max(6, rect.height() / 8);
        const QPoint corner = rect.topLeft();
        const QPoint wedge[3] = {corner, corner + QPoint(size, 0), corner + QPoint(0, size)};
        painter.setPen(Qt::NoPen);
        painter.setBrush(kViewedFrame);
        painter.drawPolygon(wedge, 3);
        painter.setBrush(Qt::NoBrush);
    }
    // Every text below is drawn inside the cell's rectangles: no clipping,
    // which would slow every glyph down.
    const QRect inner = rect.adjusted(kPadding + 1, kPadding, -kPadding, -kPadding);
    int top = inner.top() + paintHeading(painter, cell, inner);

    QFont font = view_.monthFont_;
    font.setBold(false);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    int bottom = inner.bottom();
    if (!cell.weekText.empty()) {
        const QString week = QString::fromStdString(cell.weekText);
        if (inner.height() > 3 * metrics.height()) {
            painter.setPen(style.unscheduled);
            painter.drawText(QRect(inner.left(), inner.bottom() - metrics.height(), inner.width(), metrics.height()),
                             Qt::AlignLeft | Qt::AlignVCenter, week);
            bottom -= metrics.height();
        }
    }
    // A line with more after it leaves the last row free for the mark that
    // says how many did not fit.
    std::size_t drawn = 0;
    for (const MonthLine& line : cell.lines) {
        const bool moreAfter = drawn + 1 < cell.lines.size() || cell.moreEntries > 0;
        const int lineBottom = moreAfter ? bottom - metrics.height() : bottom;
        if (top + metrics.height() > lineBottom + 1)
            break;
        ++drawn;
        const QString text = QString::fromStdString(line.text);
        const QRect room(inner.left(), top, inner.width(), lineBottom + 1 - top);
        const std::size_t status = static_cast<std::size_t>(std::clamp(line.status, 0, kStatusCount - 1));
        // The text is laid out once, as it is drawn; only a line with a
        // status fill measures first, to fill under it.
        if (view_.cellColours_[status].isValid()) {
            QRect fill = painter.boundingRect(room, Qt::TextWordWrap, text);
            fill.setLeft(room.left());
            fill.setRight(room.right());
            painter.fillRect(fill.intersected(room), view_.cellColours_[status]);
        }
        painter.setPen(status == 0 ? style.text : style.statusText[status]);
        QRect used;
        painter.drawText(room, Qt::TextWordWrap, text, &used);
        top += std::max(used.height(), metrics.height());
    }
    const std::size_t more = cell.lines.size() - drawn + cell.moreEntries;
    if (more > 0 && bottom + 1 - metrics.height() >= top) {
        painter.setPen(style.unscheduled);
        painter.drawText(QRect(inner.left(), bottom + 1 - metrics.height(), inner.width(), metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(moreEntriesText(more)));
    }
    if (cell.day == view_.viewed_) {
        painter.setPen(QPen(kViewedFrame, 2));
        painter.drawRect(rect.adjusted(1, 1, -1, -1));
    }
}

// The day of the month in bold, the moon after it, and at the right the
// month with its year and the weekday with the distance, as room allows.
int MonthGrid::paintHeading(QPainter& painter, const MonthCell& cell, const QRect& inner)
{
    const PaneStyle& style = view_.style_;
    QFont bold = view_.monthFont_;
    bold.setBold(true);
    bold.setItalic(false);
    painter.setFont(bold);
    const QFontMetrics metrics(bold);
    const int height = metrics.height();
    painter.setPen(cell.highlighted ? style.highlight : style.text);
    const QString number = QString::number(cell.dayOfMonth).rightJustified(2, QLatin1Char(' '));
    const int numberWidth = metrics.horizontalAdvance(number) + 2 * kPadding;
    painter.drawText(QRect(inner.left() + kPadding, inner.top(), numberWidth, height), Qt::AlignLeft | Qt::AlignVCenter,
                     number);
    int left = inner.left() + kPadding + numberWidth;
    if (cell.moon) {
        const int side = std::max(6, height - 4);
        drawMoon(painter, QRectF(left, inner.top() + (height - side) / 2.0, side, side), *cell.moon);
        left += side + kPadding;
    }
    QFont small = view_.monthFont_;
    small.setBold(false);
    painter.setFont(small);
    const QFontMetrics smallMetrics(small);
    const QString month = QString::fromStdString(cell.monthYear);
    const QString weekday = QString::fromStdString(cell.weekdaySpan);
    const int room = inner.right() - left;
    painter.setPen(style.unscheduled);
    const int bothWidth = smallMetrics.horizontalAdvance(month + QStringLiteral("  ") + weekday);
    if (bothWidth <= room)
        painter.drawText(QRect(left, inner.top(), room, height), Qt::AlignRight | Qt::AlignVCenter,
                         month + QStringLiteral("  ") + weekday);
    else if (smallMetrics.horizontalAdvance(weekday) <= room)
        painter.drawText(QRect(left, inner.top(), room, height), Qt::AlignRight | Qt::AlignVCenter, weekday);
    return height + 1;
}

// --- the view -------------------------------------------------------------------------------

MonthView::MonthView(QWidget* parent)
    : QWidget(parent), caption_(new QLabel(this)), grid_(new MonthGrid(*this)),
      scrollBar_(new QScrollBar(Qt::Vertical, this))
{
    setObjectName(QStringLiteral("MonthView"));
    caption_->setObjectName(QStringLiteral("schedulesCaption"));
    caption_->setContentsMargins(6, 3, 6, 3);
    caption_->setAutoFillBackground(true);
    QPalette captionColours = caption_->palette();
    captionColours.setColor(QPalette::Window, QColor(0x2F, 0x4F, 0x7F));
    captionColours.setColor(QPalette::WindowText, Qt::white);
    caption_->setPalette(captionColours);
    scrollBar_->setPageStep(kMonthWeeks);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    body->addWidget(grid_, 1);
    body->addWidget(scrollBar_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(caption_);
    layout->addLayout(body, 1);
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int offset) {
        if (!settingScroll_)
            emit offsetRequested(offset);
    });
}

void MonthView::setStatusText(const QString& text)
{
    if (caption_->text() != text)
        caption_->setText(text);
}

QString MonthView::statusText() const { return caption_->text(); }

void MonthView::setStyle(const PaneStyle& style, const QFont& monthFont, const std::array<QColor, 8>& cellColours)
{
    style_ = style;
    monthFont_ = monthFont;
    cellColours_ = cellColours;
    grid_->update();
}

void MonthView::setCells(std::vector<MonthCell> cells, DayNumber viewed, int offset, WeekOffsetRange range)
{
    cells_ = std::move(cells);
    viewed_ = viewed;
    settingScroll_ = true;
    scrollBar_->setRange(range.minimum, std::max(range.minimum, range.maximum));
    scrollBar_->setValue(offset);
    settingScroll_ = false;
    grid_->update();
}

std::size_t MonthView::linesPerCell() const
{
    const int lineHeight = std::max(1, QFontMetrics(monthFont_).height());
    return static_cast<std::size_t>(std::max(1, grid_->height() / kMonthWeeks / lineHeight + 1));
}

DayNumber MonthView::firstDay() const { return cells_.empty() ? kNoDay : cells_.front().day; }

QWidget& MonthView::grid() { return *grid_; }

QRect MonthView::cellRect(DayNumber day) const
{
    if (cells_.empty())
        return {};
    const int index = day - cells_.front().day;
    if (index < 0 || index >= kMonthCells)
        return {};
    return grid_->cellRect(index);
}

std::optional<DayNumber> MonthView::dayAt(QPoint position) const
{
    if (cells_.empty())
        return std::nullopt;
    return gridDayAt(cells_.front().day, kMonthWeeks, grid_->width(), grid_->height(), position.x(), position.y());
}

} // namespace zk
