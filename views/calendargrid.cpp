#include "views/calendargrid.h"

#include "core/calendar.h"
#include "core/dateformat.h"
#include "shell/model/monthgrid.h"
#include "views/edgescrollbar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

namespace zk {

namespace {

constexpr int kRows = 7;  // the weekday names and six weeks
const QColor kPlainFill{0xFF, 0xFF, 0xFF};
const QColor kOtherMonth{0xF2, 0xF2, 0xF2};
const QColor kLines{0xC8, 0xC8, 0xC8};
const QColor kViewedFrame{0x2F, 0x4F, 0x7F};

// A font whose "22" fills about two thirds of a cell of that size.
QFont dayFont(const QFont& base, int cellWidth, int cellHeight, bool bold)
{
    QFont font = base;
    font.setBold(bold);
    font.setPixelSize(std::max(6, std::min(cellHeight * 11 / 20, cellWidth * 2 / 5)));
    return font;
}

} // namespace

CalendarGrid::CalendarGrid(QWidget* parent) : QWidget(parent), scrollBar_(new EdgeScrollBar(this))
{
    setObjectName(QStringLiteral("CalendarGrid"));
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    setMinimumSize(150, 130);
    scrollBar_->setRange(kFirstUsableDay.value(), kLastUsableDay.value());
    scrollBar_->setSingleStep(30);
    scrollBar_->setPageStep(365);
    connect(scrollBar_, &QScrollBar::actionTriggered, this, [this](int action) {
        int months = 0;
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: months = 1; break;
        case QAbstractSlider::SliderSingleStepSub: months = -1; break;
        case QAbstractSlider::SliderPageStepAdd: months = 12; break;
        case QAbstractSlider::SliderPageStepSub: months = -12; break;
        default: return;
        }
        // The bar's own step would land mid-month: it goes by whole months.
        std::optional<DayNumber> moved = monthMoved(month_, months);
        scrollBar_->setSliderPosition(moved ? moved->value() : month_.value());
        if (!moved)
            QApplication::beep();
    });
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) {
        const DayNumber month = firstOfMonth(DayNumber(value));
        if (month == month_)
            return;
        month_ = month;
        update();
        emit monthChanged(month_);
    });
}

void CalendarGrid::setRegional(const RegionalSettings& regional, bool weekStartsMonday)
{
    regional_ = regional;
    weekStartsMonday_ = weekStartsMonday;
    update();
}

void CalendarGrid::setMonth(DayNumber day)
{
    if (!day.isUsable())
        return;
    month_ = firstOfMonth(day);
    syncScrollBar();
    update();
}

void CalendarGrid::setViewed(DayNumber day)
{
    viewed_ = day;
    update();
}

void CalendarGrid::setDayColours(const std::array<QColor, kCalendarCells>& colours)
{
    colours_ = colours;
    update();
}

DayNumber CalendarGrid::firstDay() const
{
    return month_.isNone() ? kNoDay : popUpFirstDay(month_, weekStartsMonday_);
}

bool CalendarGrid::stepMonths(int months)
{
    std::optional<DayNumber> moved = monthMoved(month_, months);
    if (!moved) {
        QApplication::beep();
        return false;
    }
    setMonth(*moved);
    emit monthChanged(month_);
    return true;
}

int CalendarGrid::titleHeight() const { return std::max(fontMetrics().height() + 4, height() / 9); }

QRect CalendarGrid::daysArea() const
{
    return QRect(0, titleHeight(), std::max(0, width() - scrollBar_->sizeHint().width()),
                 std::max(0, height() - titleHeight()));
}

QRect CalendarGrid::dayRect(DayNumber day) const
{
    const int index = day - firstDay();
    if (month_.isNone() || index < 0 || index >= kCalendarCells)
        return {};
    const QRect area = daysArea();
    const int row = index / 7 + 1;
    const int column = index % 7;
    const int left = area.left() + column * area.width() / 7;
    const int top = area.top() + row * area.height() / kRows;
    return QRect(left, top, area.left() + (column + 1) * area.width() / 7 - left,
                 area.top() + (row + 1) * area.height() / kRows - top);
}

std::optional<DayNumber> CalendarGrid::dayAt(QPoint position) const
{
    const QRect area = daysArea();
    if (month_.isNone() || area.height() <= 0)
        return std::nullopt;
    // Below the weekday names: the six weeks.
    const int rowHeight = area.height() / kRows;
    const int top = area.top() + rowHeight;
    return gridDayAt(firstDay(), kPopUpWeeks, area.width(), area.bottom() + 1 - top, position.x() - area.left(),
                     position.y() - top);
}

void CalendarGrid::placeScrollBar() { scrollBar_->place(titleHeight()); }

void CalendarGrid::syncScrollBar() { scrollBar_->follow(month_.value()); }

void CalendarGrid::resizeEvent(QResizeEvent*) { placeScrollBar(); }

void CalendarGrid::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kPlainFill);
    const QRect area = daysArea();
    if (month_.isNone() || area.width() < 7 || area.height() < kRows)
        return;
    const CivilDate shown = civilDate(month_);
    QFont title = font();
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, area.width(), titleHeight()), Qt::AlignCenter,
                     QString::fromStdString(monthName(shown.month, regional_)) + QLatin1Char(' ') +
                         QString::number(shown.year));

    const int cellWidth = area.width() / 7;
    const int cellHeight = area.height() / kRows;
    const QFont bold = dayFont(font(), cellWidth, cellHeight, true);
    const QFont normal = dayFont(font(), cellWidth, cellHeight, false);
    painter.setFont(normal);
    for (int column = 0; column < 7; ++column) {
        const int weekday = (column + (weekStartsMonday_ ? 1 : 0)) % 7;
        const QRect cell(area.left() + column * area.width() / 7, area.top(), cellWidth, cellHeight);
        painter.drawText(cell, Qt::AlignCenter,
                         QString::fromStdString(weekdayName(weekday, regional_, NameForm::Abbreviated)).left(2));
    }
    const DayNumber first = firstDay();
    for (int i = 0; i < kCalendarCells; ++i) {
        const DayNumber day = first + i;
        const QRect cell = dayRect(day);
        if (!day.isUsable()) {
            painter.fillRect(cell, kOtherMonth);
            continue;
        }
        const bool inMonth = civilDate(day).month == shown.month;
        const QColor fill = !inMonth ? kOtherMonth : colours_[static_cast<std::size_t>(i)].isValid()
                                                          ? colours_[static_cast<std::size_t>(i)]
                                                          : kPlainFill;
        painter.fillRect(cell, fill);
        painter.setPen(kLines);
        painter.drawRect(cell.adjusted(0, 0, -1, -1));
        painter.setFont(inMonth ? bold : normal);
        painter.setPen(inMonth ? Qt::black : Qt::gray);
        painter.drawText(cell, Qt::AlignCenter, QString::number(civilDate(day).day));
        if (day == viewed_) {
            painter.setPen(QPen(kViewedFrame, 2));
            painter.drawRect(cell.adjusted(1, 1, -2, -2));
        }
    }
}

void CalendarGrid::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up: stepMonths(-1); return;
    case Qt::Key_Down: stepMonths(1); return;
    case Qt::Key_PageUp: stepMonths(-12); return;
    case Qt::Key_PageDown: stepMonths(12); return;
    case Qt::Key_Home: emit todayRequested(); return;
    default: emit otherKey(event->key(), event->modifiers());
    }
}

void CalendarGrid::mousePressEvent(QMouseEvent* event)
{
    const std::optional<DayNumber> day = dayAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return;
    if (!day) {
        if (daysArea().contains(event->position().toPoint()))
            QApplication::beep();
        return;
    }
    if (event->button() == Qt::LeftButton)
        emit dayChosen(*day);
    else
        emit dayRightClicked(*day);
}

void CalendarGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        if (std::optional<DayNumber> day = dayAt(event->position().toPoint()))
            emit dayChosen(*day);
}

void CalendarGrid::wheelEvent(QWheelEvent* event)
{
    const int steps = -event->angleDelta().y() / 120;
    if (steps != 0)
        stepMonths(steps);
}

} // namespace zk
