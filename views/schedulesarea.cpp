#include "views/schedulesarea.h"

#include "core/calendar.h"
#include "core/schedule.h"
#include "engine/interfacemode.h"
#include "shell/model/settings.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace zk {

namespace {

constexpr int kMaxPanes = 7;
constexpr int kPaneGap = 4;

int indexOf(const std::vector<DayNumber>& days, DayNumber day)
{
    auto at = std::find(days.begin(), days.end(), day);
    return at == days.end() ? -1 : static_cast<int>(at - days.begin());
}

} // namespace

SchedulesArea::SchedulesArea(QWidget* parent)
    : QWidget(parent), caption_(new QLabel(this)), panesHost_(new QWidget(this))
{
    setObjectName("Zelkon Schedules");
    setFocusPolicy(Qt::StrongFocus);
    caption_->setObjectName("schedulesCaption");
    caption_->setContentsMargins(6, 3, 6, 3);
    caption_->setAutoFillBackground(true);
    QPalette captionColours = caption_->palette();
    captionColours.setColor(QPalette::Window, QColor(0x2F, 0x4F, 0x7F));
    captionColours.setColor(QPalette::WindowText, Qt::white);
    caption_->setPalette(captionColours);
    days_ = {kNoDay};
    rebuildPanes(days_);
}

void SchedulesArea::setView(ScheduleView view)
{
    if (view == view_)
        return;
    view_ = view;
    DayNumber viewed = viewedDay();
    switch (view) {
    case ScheduleView::Single:
    case ScheduleView::MultiPane:
        current_ = 0;
        rebuildPanes(paneDays(view, viewed, layout_));
        break;
    case ScheduleView::Week: {
        // The week the viewed day lies in, as the user counts weeks.
        std::vector<DayNumber> days =
            paneDays(view, viewed.isNone() ? viewed : startOfWeek(viewed, display_.week.weekStartsMonday), layout_);
        current_ = std::max(0, indexOf(days, viewed));
        rebuildPanes(days);
        break;
    }
    }
}

void SchedulesArea::setViewLayout(const ViewLayout& layout)
{
    layout_ = layout;
    if (view_ == ScheduleView::Single)
        return;
    // The panes of the current view are made again for the new layout.
    ScheduleView view = view_;
    view_ = ScheduleView::Single;
    setView(view);
}

void SchedulesArea::setTiling(Tiling tiling)
{
    tiling_ = tiling;
    arrangePanes();
}

void SchedulesArea::setDisplay(const PaneDisplay& display)
{
    display_ = display;
    for (DayPane* pane : panes_)
        pane->setDisplay(display_);
}

void SchedulesArea::setStyle(const PaneStyle& style)
{
    style_ = style;
    for (DayPane* pane : panes_)
        pane->setStyle(style_);
}

void SchedulesArea::setHideTest(HideTest hidden)
{
    hidden_ = std::move(hidden);
    for (DayPane* pane : panes_)
        pane->setHideTest(hidden_);
}

void SchedulesArea::setStatusText(const QString& text)
{
    if (caption_->text() != text)
        caption_->setText(text);
}

QString SchedulesArea::statusText() const { return caption_->text(); }

void SchedulesArea::flashStatusLine(int milliseconds)
{
    if (flashing_)
        return;
    auto swapColours = [this] {
        QPalette colours = caption_->palette();
        const QColor background = colours.color(QPalette::Window);
        colours.setColor(QPalette::Window, colours.color(QPalette::WindowText));
        colours.setColor(QPalette::WindowText, background);
        caption_->setPalette(colours);
        caption_->repaint();
    };
    flashing_ = true;
    swapColours();
    QTimer::singleShot(milliseconds, this, [this, swapColours] {
        swapColours();
        flashing_ = false;
    });
}

DayNumber SchedulesArea::viewedDay() const { return days_.empty() ? kNoDay : days_[current_]; }

void SchedulesArea::setViewedDay(DayNumber day)
{
    if (view_ != ScheduleView::Week) {
        days_[current_] = day;
        return;
    }
    if (int at = indexOf(days_, day); at >= 0) {
        setCurrentPane(at);
        return;
    }
    std::vector<DayNumber> days = paneDays(view_, startOfWeek(day, display_.week.weekStartsMonday), layout_);
    current_ = std::max(0, indexOf(days, day));
    rebuildPanes(days);
}

std::vector<DayNumber> SchedulesArea::paneDaysShown() const
{
    std::vector<DayNumber> shown;
    for (const DayPane* pane : panes_)
        shown.push_back(pane->day());
    return shown;
}

ItemHandle SchedulesArea::selectedItem() const
{
    return panes_.empty() ? kNoItem : panes_[current_]->record().selectedItem();
}

std::optional<DraggedEntry> SchedulesArea::selectedEntry() const
{
    if (panes_.empty())
        return std::nullopt;
    const PaneRecord& record = panes_[current_]->record();
    std::optional<int> line = record.selectedLine();
    if (!line || !record.lines()[*line].selectable())
        return std::nullopt;
    const PaneLine& shown = record.lines()[*line];
    return DraggedEntry{shown.item, record.day(), shown.entryIndex};
}

void SchedulesArea::refresh(Schedule& schedule, const DayPaneMoment& moment, const RegionalSettings& regional)
{
    today_ = moment.today;
    // The mode and the values display live in the header: always current.
    display_.proMode = isProMode(schedule.header);
    display_.liteMode = isLiteMode(schedule.header);
    display_.valuesDisplay = headerOption(schedule.header, HeaderOption::MarvalPrioritization);
    for (std::size_t i = 0; i < panes_.size(); ++i) {
        panes_[i]->setDisplay(display_);
        if (!days_[i].isNone())
            panes_[i]->showDay(schedule, days_[i], moment, regional);
    }
}

void SchedulesArea::setCurrentPane(int index)
{
    current_ = std::clamp(index, 0, paneCount() - 1);
    for (int i = 0; i < paneCount(); ++i)
        panes_[static_cast<std::size_t>(i)]->setCurrent(i == current_);
}

// --- the panes ---------------------------------------------------------------------------------

void SchedulesArea::rebuildPanes(const std::vector<DayNumber>& days)
{
    days_ = days.empty() ? std::vector<DayNumber>{kNoDay} : days;
    days_.resize(std::min<std::size_t>(days_.size(), kMaxPanes));
    while (panes_.size() > days_.size()) {
        // Later: the pane may be the one whose signal led here.
        panes_.back()->hide();
        panes_.back()->deleteLater();
        panes_.pop_back();
    }
    while (panes_.size() < days_.size()) {
        auto* pane = new DayPane(panesHost_);
        pane->setDisplay(display_);
        pane->setStyle(style_);
        pane->setHideTest(hidden_);
        pane->setDragAllowed(dragAllowed_);
        connectPane(pane, static_cast<int>(panes_.size()));
        pane->show();
        panes_.push_back(pane);
    }
    bool single = view_ == ScheduleView::Single;
    for (DayPane* pane : panes_) {
        pane->setScroll(single ? PaneScroll::Weeks : PaneScroll::Lines);
        pane->setFramed(!single);
    }
    setCurrentPane(current_);
    arrangePanes();
}

void SchedulesArea::resizeEvent(QResizeEvent*)
{
    int captionHeight = caption_->sizeHint().height();
    caption_->setGeometry(0, 0, width(), captionHeight);
    panesHost_->setGeometry(0, captionHeight, width(), std::max(0, height() - captionHeight));
    arrangePanes();
}

void SchedulesArea::arrangePanes()
{
    int n = paneCount();
    if (n == 0)
        return;
    QRect host = panesHost_->rect();
    if (n == 1) {
        panes_[0]->setGeometry(host);
        return;
    }
    // The week is always a row of days; the multi-pane view follows its tiling.
    int columns = n, rows = 1;
    if (view_ == ScheduleView::MultiPane && tiling_ == Tiling::Horizontal) {
        columns = 1;
        rows = n;
    } else if (view_ == ScheduleView::MultiPane && tiling_ == Tiling::Quad) {
        columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
        rows = (n + columns - 1) / columns;
    }
    int width = (host.width() - kPaneGap * (columns - 1)) / columns;
    int height = (host.height() - kPaneGap * (rows - 1)) / rows;
    for (int i = 0; i < n; ++i) {
        int column = i % columns, row = i / columns;
        panes_[static_cast<std::size_t>(i)]->setGeometry(column * (width + kPaneGap), row * (height + kPaneGap), width,
                                                        height);
    }
}

void SchedulesArea::connectPane(DayPane* pane, int index)
{
    connect(pane, &DayPane::pressed, this, [this, pane, index](ItemHandle item, HitPart part, Qt::KeyboardModifiers) {
        setFocus(Qt::MouseFocusReason);
        bool moved = index != current_;
        setCurrentPane(index);
        if (moved)
            emit viewedDayChanged(viewedDay());
        emit selectionChanged(item);
        if (part == HitPart::TimeColumn)
            emit heldTimeToggleRequested(item, pane->day());
    });
    connect(pane, &DayPane::pressedEmpty, this, [this, index] {
        setFocus(Qt::MouseFocusReason);
        if (index != current_) {
            setCurrentPane(index);
            emit viewedDayChanged(viewedDay());
        }
    });
    connect(pane, &DayPane::doubleClicked, this, [this, pane](ItemHandle item, HitPart part) {
        if (part == HitPart::NoteIcon)
            emit notesRequested(item);
        else
            emit openItemRequested(item, pane->day());
    });
    connect(pane, &DayPane::doubleClickedEmpty, this, [this, pane] { emit insertItemRequested(pane->day()); });
    connect(pane, &DayPane::rightPressed, this, [this, index](ItemHandle item, QPoint at) {
        setCurrentPane(index);
        emit statusMenuRequested(item, at);
    });
    connect(pane, &DayPane::weekScrolled, this, [this, pane](int position) {
        dayRequested(dayAtWeekScroll(position, pane->day(), today_));
    });
    connect(pane, &DayPane::entryDragMoved, this, &SchedulesArea::showDropPlace);
    connect(pane, &DayPane::entryDropped, this, &SchedulesArea::drop);
}

// --- dragging ----------------------------------------------------------------------------------

void SchedulesArea::setDragAllowed(std::function<bool()> allowed)
{
    dragAllowed_ = std::move(allowed);
    for (DayPane* pane : panes_)
        pane->setDragAllowed(dragAllowed_);
}

DayPane* SchedulesArea::paneAt(QPoint globalPosition)
{
    for (DayPane* pane : panes_)
        if (pane->isVisible() && pane->rect().contains(pane->mapFromGlobal(globalPosition)) && !pane->day().isNone())
            return pane;
    return nullptr;
}

void SchedulesArea::showDropPlace(QPoint globalPosition)
{
    DayPane* target = paneAt(globalPosition);
    for (DayPane* pane : panes_)
        pane->setDropMarker(pane == target ? std::optional<int>(pane->dropSpotAt(pane->mapFromGlobal(globalPosition)).markerTop)
                                           : std::nullopt);
}

void SchedulesArea::drop(const DraggedEntry& entry, QPoint globalPosition)
{
    for (DayPane* pane : panes_)
        pane->setDropMarker(std::nullopt);
    DayPane* target = paneAt(globalPosition);
    if (!target)
        return;  // let go outside the panes: nothing moves
    emit entryDropRequested(entry, DropPlace{target->day(), target->dropSpotAt(target->mapFromGlobal(globalPosition)).before});
}

bool SchedulesArea::selectItemOn(DayNumber day, ItemHandle item)
{
    for (int i = 0; i < paneCount(); ++i) {
        PaneRecord& record = pane(i).record();
        if (record.day() != day)
            continue;
        for (int line = 0; line < record.lineCount(); ++line) {
            if (record.lines()[static_cast<std::size_t>(line)].selectable()
                && record.lines()[static_cast<std::size_t>(line)].item == item) {
                const bool moved = i != current_;
                setCurrentPane(i);
                record.select(line);
                pane(i).selectionChanged();
                if (moved)
                    emit viewedDayChanged(viewedDay());
                emit selectionChanged(item);
                return true;
            }
        }
    }
    return false;
}

// --- moving ------------------------------------------------------------------------------------

void SchedulesArea::dayRequested(DayNumber day)
{
    if (day.isNone() || day == viewedDay())
        return;
    setViewedDay(day);
    emit viewedDayChanged(day);
}

bool SchedulesArea::moveViewedDay(int days)
{
    std::optional<DayNumber> moved = movedDay(viewedDay(), days);
    if (!moved || viewedDay().isNone())
        return false;
    if (view_ == ScheduleView::Week) {
        // Every pane moves; the week's days are found again from the first.
        std::vector<DayNumber> week = paneDays(view_, days_.front() + days, layout_);
        rebuildPanes(week);
    } else {
        days_[current_] = *moved;
    }
    emit viewedDayChanged(viewedDay());
    return true;
}

bool SchedulesArea::nextPane()
{
    if (current_ + 1 >= paneCount())
        return moveViewedDay(1);
    setCurrentPane(current_ + 1);
    emit viewedDayChanged(viewedDay());
    return true;
}

bool SchedulesArea::priorPane()
{
    if (current_ == 0)
        return moveViewedDay(-1);
    setCurrentPane(current_ - 1);
    emit viewedDayChanged(viewedDay());
    return true;
}

bool SchedulesArea::afterSelection(bool moved)
{
    currentPane().selectionChanged();
    if (moved)
        emit selectionChanged(selectedItem());
    return moved;
}

bool SchedulesArea::openSelected()
{
    ItemHandle item = selectedItem();
    if (!item)
        return false;
    emit openItemRequested(item, currentPane().day());
    return true;
}

bool SchedulesArea::command(PaneCommand command)
{
    PaneRecord& record = currentPane().record();
    switch (command) {
    case PaneCommand::NextPane:
    case PaneCommand::NextPaneTab: return nextPane();
    case PaneCommand::PriorPane: return priorPane();
    case PaneCommand::PriorItem: return afterSelection(record.selectPrevious());
    case PaneCommand::NextItem: return afterSelection(record.selectNext());
    case PaneCommand::PageUp: return afterSelection(record.pageUp());
    case PaneCommand::PageDown: return afterSelection(record.pageDown());
    case PaneCommand::TopPage: record.scrollTo(0); return afterSelection(record.selectFirst());
    case PaneCommand::BottomPage: return afterSelection(record.selectLast());
    case PaneCommand::ScrollUp:
    case PaneCommand::ScrollDown:
        record.scrollBy(command == PaneCommand::ScrollUp ? -1 : 1);
        currentPane().selectionChanged();
        return true;
    case PaneCommand::PriorWeek: return moveViewedDay(-7);
    case PaneCommand::NextWeek: return moveViewedDay(7);
    case PaneCommand::NextDay: return moveViewedDay(1);
    case PaneCommand::PriorDay: return moveViewedDay(-1);
    }
    return false;
}

bool SchedulesArea::typeAhead(const QString& text)
{
    if (text.size() != 1 && !(text.size() == 2 && text[0].isHighSurrogate()))
        return false;
    char32_t c = text.toUcs4().value(0);
    if (!QChar::isLetterOrNumber(c))
        return false;
    return afterSelection(currentPane().record().typeAhead(c));
}

bool SchedulesArea::focusNextPrevChild(bool) { return false; }

void SchedulesArea::keyPressEvent(QKeyEvent* event)
{
    bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Up: command(PaneCommand::PriorItem); break;
    case Qt::Key_Down: command(PaneCommand::NextItem); break;
    case Qt::Key_Left: command(PaneCommand::PriorPane); break;
    case Qt::Key_Right: command(PaneCommand::NextPane); break;
    case Qt::Key_PageUp: command(ctrl ? PaneCommand::ScrollUp : PaneCommand::PageUp); break;
    case Qt::Key_PageDown: command(ctrl ? PaneCommand::ScrollDown : PaneCommand::PageDown); break;
    case Qt::Key_Home:
        if (!ctrl)
            return QWidget::keyPressEvent(event);
        command(PaneCommand::TopPage);
        break;
    case Qt::Key_End:
        if (!ctrl)
            return QWidget::keyPressEvent(event);
        command(PaneCommand::BottomPage);
        break;
    case Qt::Key_Tab: command(PaneCommand::NextPaneTab); break;
    case Qt::Key_Backtab: priorPane(); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: openSelected(); break;
    default:
        if (ctrl || (event->modifiers() & Qt::AltModifier) || !typeAhead(event->text()))
            return QWidget::keyPressEvent(event);
    }
    event->accept();
}

} // namespace zk
