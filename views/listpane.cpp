#include "views/listpane.h"

#include "views/edgescrollbar.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>

namespace zk {

namespace {
constexpr int kPad = 4;
// The samples that measure the prefix column: a rank, and a day with its
// weekday and offset.
constexpr const char* kRankSample = "999. ";
constexpr const char* kDaySample = "Wed 12/22 +++";
} // namespace

ListPane::ListPane(QWidget* parent) : QWidget(parent), scrollBar_(new EdgeScrollBar(this))
{
    setObjectName("Zelkon List");
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(false);
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (value != first_)
            scrollTo(value);
    });
}

void ListPane::setStyle(const PaneStyle& style)
{
    style_ = style;
    updateScrollBar();
    update();
}

void ListPane::setList(int view, std::vector<ItemHandle> items, const QString& title)
{
    const ItemHandle kept = view == view_ ? selectedItem() : kNoItem;
    const int keptIndex = view == view_ && selected_ ? *selected_ : -1;
    if (view != view_)
        first_ = 0;
    view_ = view;
    items_ = std::move(items);
    title_ = title;
    lines_.clear();
    selected_.reset();
    // The selection stays on its item; when that went (deleted), on the
    // line that took its place.
    if (auto it = std::find(items_.begin(), items_.end(), kept); kept && it != items_.end())
        selected_ = static_cast<int>(it - items_.begin());
    else if (keptIndex >= 0 && !items_.empty())
        selected_ = std::min(keptIndex, itemCount() - 1);
    scrollTo(first_);
    updateScrollBar();
    update();
}

void ListPane::fillVisible(const std::function<ListLine(ItemHandle)>& build)
{
    const int last = std::min(itemCount(), first_ + linesPerPage() + 1);
    for (int i = first_; i < last; ++i)
        if (!lines_.count(i))
            lines_.emplace(i, build(items_[static_cast<std::size_t>(i)]));
    update();
}

bool ListPane::missingVisibleLines() const
{
    const int last = std::min(itemCount(), first_ + linesPerPage() + 1);
    for (int i = first_; i < last; ++i)
        if (!lines_.count(i))
            return true;
    return false;
}

ItemHandle ListPane::selectedItem() const
{
    return selected_ ? items_[static_cast<std::size_t>(*selected_)] : kNoItem;
}

int ListPane::lineHeight() const { return QFontMetrics(style_.schedule).lineSpacing() + 1; }

int ListPane::titleHeight() const { return title_.isEmpty() ? 0 : QFontMetrics(style_.facts).height() + 2 * kPad; }

int ListPane::linesPerPage() const { return std::max(1, (height() - titleHeight()) / std::max(1, lineHeight())); }

bool ListPane::tooManyLines() const { return (height() - titleHeight()) / std::max(1, lineHeight()) > kMaxPaneRows; }

int ListPane::prefixWidth() const
{
    const QFontMetrics fm(style_.schedule);
    const int day = fm.horizontalAdvance(QString::fromLatin1(kDaySample));
    return walksPlist(view_) ? fm.horizontalAdvance(QString::fromLatin1(kRankSample)) + day + fm.averageCharWidth()
                             : day;
}

bool ListPane::select(int index)
{
    if (items_.empty())
        return false;
    index = std::clamp(index, 0, itemCount() - 1);
    if (selected_ == index)
        return false;
    selected_ = index;
    keepSelectionVisible();
    update();
    emit selectionChanged(selectedItem());
    return true;
}

bool ListPane::selectItem(ItemHandle item)
{
    auto it = std::find(items_.begin(), items_.end(), item);
    return it != items_.end() && (select(static_cast<int>(it - items_.begin())) || true);
}

void ListPane::scrollTo(int first)
{
    first = std::clamp(first, 0, std::max(0, itemCount() - linesPerPage()));
    const bool moved = first != first_;
    first_ = first;
    if (scrollBar_->value() != first_)
        scrollBar_->setValue(first_);
    if (missingVisibleLines())
        QTimer::singleShot(0, this, [this] { emit linesWanted(); });
    if (moved)
        update();
}

void ListPane::keepSelectionVisible()
{
    if (!selected_)
        return;
    if (*selected_ < first_)
        scrollTo(*selected_);
    else if (*selected_ >= first_ + linesPerPage())
        scrollTo(*selected_ - linesPerPage() + 1);
}

void ListPane::updateScrollBar()
{
    scrollBar_->place(titleHeight());
    scrollBar_->setRange(0, std::max(0, itemCount() - linesPerPage()));
    scrollBar_->setPageStep(linesPerPage());
    scrollBar_->setValue(first_);
    scrollBar_->setVisible(itemCount() > linesPerPage());
}

bool ListPane::command(int paneCommand)
{
    const int page = linesPerPage();
    const int at = selected_.value_or(-1);
    switch (paneCommand) {
    case 7: return select(selected_ ? at - 1 : first_);
    case 8: return select(selected_ ? at + 1 : first_);
    case 27: return select(selected_ ? at - page : first_);
    case 28: return select(selected_ ? at + page : first_);
    case 161: return select(0);
    case 162: return select(itemCount() - 1);
    case 293: {
        const int before = first_;
        scrollTo(first_ - 1);
        return before != first_;
    }
    case 294: {
        const int before = first_;
        scrollTo(first_ + 1);
        return before != first_;
    }
    default: return false;
    }
}

std::optional<int> ListPane::indexAt(QPoint position) const
{
    const int y = position.y() - titleHeight();
    if (y < 0)
        return std::nullopt;
    const int index = first_ + y / std::max(1, lineHeight());
    return index < itemCount() ? std::optional<int>(index) : std::nullopt;
}

QStringList ListPane::visibleLines() const
{
    QStringList out;
    const int last = std::min(itemCount(), first_ + linesPerPage());
    for (int i = first_; i < last; ++i) {
        auto it = lines_.find(i);
        out << (it == lines_.end() ? QString() : QString::fromStdString(it->second.whole()));
    }
    return out;
}

void ListPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), style_.background);
    const int right = width() - (scrollBar_->isVisible() ? scrollBar_->width() : 0) - kPad;
    if (!title_.isEmpty()) {
        // In the facts line's font: a long title is cut, not wrapped.
        painter.setFont(style_.facts);
        painter.setPen(style_.text);
        const QRect band(kPad, kPad, right - kPad, titleHeight() - 2 * kPad);
        painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter,
                         QFontMetrics(style_.facts).elidedText(title_, Qt::ElideRight, band.width()));
        painter.setPen(style_.unscheduled);
        painter.drawLine(0, titleHeight() - 1, right + kPad, titleHeight() - 1);
    }
    painter.setFont(style_.schedule);
    if (tooManyLines()) {
        painter.setPen(style_.text);
        painter.drawText(QRect(kPad, titleHeight(), right - kPad, lineHeight()), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromUtf8(kTooManyLinesText));
        return;
    }
    const int height = lineHeight();
    const int column = prefixWidth();
    const int last = std::min(itemCount(), first_ + linesPerPage() + 1);
    for (int i = first_; i < last; ++i) {
        const QRect row(0, titleHeight() + (i - first_) * height, right + kPad, height);
        const bool selected = selected_ == i;
        painter.fillRect(row, selected ? palette().color(QPalette::Highlight) : style_.background);
        auto it = lines_.find(i);
        if (it == lines_.end())
            continue;  // asked for with linesWanted
        const ListLine& line = it->second;
        QColor ink = line.done ? style_.done : line.status != 0 ? style_.statusText[static_cast<std::size_t>(line.status)]
                                                                : style_.text;
        if (selected)
            ink = palette().color(QPalette::HighlightedText);
        QFont font = style_.schedule;
        font.setUnderline(line.key);
        font.setStrikeOut(line.done);
        painter.setFont(font);
        painter.setPen(ink);
        const QRect prefix(kPad, row.top(), column, height);
        painter.drawText(prefix, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip,
                         QString::fromStdString(line.prefix));
        const QRect rest(kPad + column, row.top(), std::max(0, right - kPad - column), height);
        painter.drawText(rest, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(line.rest));
    }
}

void ListPane::resizeEvent(QResizeEvent*)
{
    updateScrollBar();
    scrollTo(first_);
}

void ListPane::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Up: command(7); break;
    case Qt::Key_Down: command(8); break;
    case Qt::Key_PageUp: command(ctrl ? 293 : 27); break;
    case Qt::Key_PageDown: command(ctrl ? 294 : 28); break;
    case Qt::Key_Home: command(161); break;
    case Qt::Key_End: command(162); break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (ItemHandle item = selectedItem())
            emit openRequested(item);
        break;
    default: return QWidget::keyPressEvent(event);
    }
    event->accept();
}

void ListPane::mousePressEvent(QMouseEvent* event)
{
    setFocus();
    std::optional<int> index = indexAt(event->position().toPoint());
    if (!index)
        return;
    select(*index);
    if (event->button() == Qt::RightButton)
        emit statusMenuRequested(selectedItem(), event->globalPosition().toPoint());
}

void ListPane::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (std::optional<int> index = indexAt(event->position().toPoint())) {
        select(*index);
        emit openRequested(selectedItem());
    }
}

void ListPane::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 40;
    scrollTo(first_ - steps);
    event->accept();
}

} // namespace zk
