#include "views/daypane.h"

#include "shell/model/settings.h"
#include "views/moondrawing.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QWheelEvent>

#include <utility>

namespace zk {

namespace {

constexpr int kPad = 4;
constexpr int kWheelLines = 3;
// The widest texts of the time column: digits differ in width in most
// fonts, so the measure takes the widest likely time as well.
const char* const kTimeSamples[] = {"12:22p", "00:00p", "hold", "memo"};
const char* const kTimeColumnSample = "12:22p> ";
const char* const kEndColumnSample = "12:22p ";

QColor colorOf(long colorRef)
{
    Rgb rgb = rgbOf(colorRef);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

// One line of text, vertically centred in the rectangle. Drawing at a point
// takes the painter's plain path, several times quicker than laying the
// text out in a rectangle, which counts when a pane holds 199 lines.
void drawLineText(QPainter& painter, const QFontMetrics& metrics, const QRect& rect, const QString& text,
                  Qt::Alignment alignment = Qt::AlignLeft)
{
    int x = alignment & Qt::AlignRight ? rect.right() + 1 - metrics.horizontalAdvance(text) : rect.left();
    int baseline = rect.top() + (rect.height() - metrics.height()) / 2 + metrics.ascent();
    painter.drawText(QPoint(x, baseline), text);
}

QString fitted(const QFontMetrics& metrics, const QString& text, int width)
{
    return metrics.horizontalAdvance(text) <= width ? text : metrics.elidedText(text, Qt::ElideRight, width);
}

int widestTime(const QFontMetrics& metrics)
{
    int widest = 0;
    for (const char* sample : kTimeSamples)
        widest = std::max(widest, metrics.horizontalAdvance(sample));
    return widest;
}

QString simplified(const std::string& text) { return QString::fromStdString(text).simplified(); }

// A narrow pane shortens the day name, then takes smaller type (not below
// the facts line's), and only then cuts the date.
QString fittedHeading(const QString& heading, QFont& font, int width, qreal smallestPointSize)
{
    if (QFontMetrics(font).horizontalAdvance(heading) <= width)
        return heading;
    int blank = heading.indexOf(' ');
    QString shorter = blank > 3 ? heading.left(3) + heading.mid(blank) : heading;
    while (QFontMetrics(font).horizontalAdvance(shorter) > width && font.pointSizeF() - 1 >= smallestPointSize)
        font.setPointSizeF(font.pointSizeF() - 1);
    return QFontMetrics(font).elidedText(shorter, Qt::ElideRight, width);
}

} // namespace

QFont fontOf(const FontSpec& stored, const QFont& fallback)
{
    QFont font = fallback;
    if (!stored.face.empty())
        font.setFamily(QString::fromStdString(stored.face));
    if (stored.size > 0)
        font.setPointSizeF(stored.size / 10.0);
    font.setBold(stored.style & FontStyle::bold);
    font.setItalic(stored.style & FontStyle::italic);
    font.setUnderline(stored.style & FontStyle::underline);
    return font;
}

PaneStyle::PaneStyle()
{
    statusText.fill(text);
    heading.setPointSizeF(schedule.pointSizeF() * 1.3);
    heading.setBold(true);
    facts.setPointSizeF(schedule.pointSizeF() * 0.9);
}

PaneStyle PaneStyle::fromSettings(const Settings& settings)
{
    PaneStyle style;
    style.text = colorOf(settings.color(ColorSetting::ColorNormalText));
    style.background = colorOf(settings.color(ColorSetting::ColorNormalBackground));
    style.fluid = colorOf(settings.color(ColorSetting::ColorFluid));
    style.unscheduled = colorOf(settings.color(ColorSetting::ColorUnscheduled));
    style.done = colorOf(settings.color(ColorSetting::ColorDone));
    style.statusText.fill(style.text);
    style.schedule = fontOf(settings.font(FontSetting::ScreenNormal), style.schedule);
    style.heading = fontOf(settings.font(FontSetting::ScreenHeading), style.heading);
    style.facts = fontOf(settings.font(FontSetting::ScreenSmall), style.facts);
    return style;
}

DayPane::DayPane(QWidget* parent) : QWidget(parent), scrollBar_(new QScrollBar(Qt::Vertical, this))
{
    setObjectName("Schedule");
    timeWidth_ = widestTime(scheduleMetrics_);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setMinimumSize(120, 80);
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (updatingScrollBar_)
            return;
        if (scroll_ == PaneScroll::Weeks) {
            emit weekScrolled(value);
            return;
        }
        record_.scrollTo(value);
        update();
    });
}

void DayPane::setStyle(const PaneStyle& style)
{
    style_ = style;
    scheduleMetrics_ = QFontMetrics(style_.schedule);
    timeWidth_ = widestTime(scheduleMetrics_);
    updateMetrics();
}

void DayPane::setScroll(PaneScroll scroll)
{
    scroll_ = scroll;
    updateScrollBar();
}

void DayPane::setCurrent(bool current)
{
    if (current_ != current) {
        current_ = current;
        update();
    }
}

void DayPane::setFramed(bool framed)
{
    framed_ = framed;
    update();
}

void DayPane::showDay(Schedule& schedule, DayNumber day, const DayPaneMoment& moment, const RegionalSettings& regional)
{
    today_ = moment.today;
    record_.setLines(dayLines(schedule, day, display_, {moment.today, moment.now}, regional, hidden_));
    updateMetrics();
}

QString DayPane::heading() const { return QString::fromStdString(record_.dayLines().heading); }
QString DayPane::facts() const { return simplified(record_.dayLines().facts); }

QStringList DayPane::lines() const
{
    QStringList out;
    for (const PaneLine& line : record_.lines()) {
        if (line.kind == PaneLineKind::Gap)
            out << simplified(line.gap.time + line.gap.endTime) + '\t' + simplified(line.gap.text);
        else if (line.text.separator)
            out << QStringLiteral("\t----");
        else
            out << simplified(line.text.time + line.text.afterTime + line.text.endTime) + '\t' +
                       simplified(line.text.text + line.text.conflictLens);
    }
    return out;
}

int DayPane::headingHeight() const
{
    return QFontMetrics(style_.heading).height() + QFontMetrics(style_.facts).height() + 3 * kPad;
}

QRect DayPane::linesArea() const
{
    int scrollWidth = scrollBar_->isHidden() ? 0 : scrollBar_->width();
    return QRect(0, headingHeight(), std::max(0, width() - scrollWidth), std::max(0, height() - headingHeight()));
}

PaneMetrics DayPane::metricsFor(const QSize& size) const
{
    QFontMetrics fm(style_.schedule);
    PaneMetrics m;
    m.lineHeight = fm.height() + 1 + fm.leading();
    m.characterWidth = std::max(1, fm.averageCharWidth());
    int startColumn = std::max(fm.horizontalAdvance(kTimeColumnSample), timeWidth_ + fm.horizontalAdvance("> "));
    int endColumn = std::max(fm.horizontalAdvance(kEndColumnSample), timeWidth_ + fm.horizontalAdvance(" "));
    m.timeColumnWidth = kPad + startColumn + (display_.showEndTimes ? endColumn : 0);
    m.clientWidth = size.width();
    m.clientHeight = size.height();
    m.timespace = display_.timespace && !display_.liteMode;
    return m;
}

void DayPane::updateMetrics()
{
    // Whether the scroll bar shows depends on whether the lines fit, and the
    // room for the lines on the scroll bar: measure, decide, measure again.
    scrollBar_->setGeometry(width() - scrollBar_->sizeHint().width(), headingHeight(), scrollBar_->sizeHint().width(),
                            std::max(0, height() - headingHeight()));
    record_.setMetrics(metricsFor(linesArea().size()));
    updateScrollBar();
    record_.setMetrics(metricsFor(linesArea().size()));
    update();
}

void DayPane::updateScrollBar()
{
    updatingScrollBar_ = true;
    if (scroll_ == PaneScroll::Weeks && !today_.isNone()) {
        WeekScroll range = weekScrollRange(today_);
        scrollBar_->setRange(range.minimum, range.maximum);
        scrollBar_->setPageStep(4);
        scrollBar_->setSingleStep(1);
        scrollBar_->setValue(weekScrollPosition(record_.day(), today_));
        scrollBar_->setVisible(true);
    } else {
        int last = record_.lastFirstLine();
        scrollBar_->setRange(0, last);
        scrollBar_->setPageStep(record_.linesPerPage());
        scrollBar_->setSingleStep(1);
        scrollBar_->setValue(record_.firstVisibleLine());
        scrollBar_->setVisible(last > 0);
    }
    updatingScrollBar_ = false;
}

void DayPane::selectionChanged()
{
    updateScrollBar();
    update();
}

void DayPane::resizeEvent(QResizeEvent*) { updateMetrics(); }

QRect DayPane::lineRect(int line) const
{
    for (const PaneRow& row : record_.rows())
        if (row.line == line)
            return QRect(0, headingHeight() + row.top, linesArea().width(), row.height);
    return {};
}

std::optional<PaneHit> DayPane::hitAt(QPoint position) const
{
    if (position.y() < headingHeight())
        return std::nullopt;
    return record_.hitTest(position.x(), position.y() - headingHeight());
}

namespace {

SelectionExtension extensionOf(Qt::KeyboardModifiers modifiers)
{
    bool ctrl = modifiers & Qt::ControlModifier, shift = modifiers & Qt::ShiftModifier;
    return ctrl && shift ? SelectionExtension::ToggleRange
           : ctrl        ? SelectionExtension::Toggle
           : shift       ? SelectionExtension::Range
                         : SelectionExtension::None;
}

} // namespace

void DayPane::mousePressEvent(QMouseEvent* event)
{
    if (display_.protectedSchedule)
        return;
    std::optional<PaneHit> hit = hitAt(event->position().toPoint());
    bool onItem = hit && record_.lines()[hit->line].selectable();
    bool left = event->button() == Qt::LeftButton;
    if (onItem && (left || event->button() == Qt::RightButton)) {
        record_.select(hit->line, left ? extensionOf(event->modifiers()) : SelectionExtension::None);
        selectionChanged();
    }
    const bool extending = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
    if (left && onItem && hit->part == HitPart::Text && !extending) {
        const PaneLine& line = record_.lines()[hit->line];
        pressedEntry_ = DraggedEntry{line.item, day(), line.entryIndex};
        pressedAt_ = event->position().toPoint();
    }
    if (left && onItem)
        emit pressed(record_.lines()[hit->line].item, hit->part, event->modifiers());
    else if (left)
        emit pressedEmpty();
    else if (event->button() == Qt::RightButton && onItem)
        emit rightPressed(record_.lines()[hit->line].item, event->globalPosition().toPoint());
}

void DayPane::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (display_.protectedSchedule || event->button() != Qt::LeftButton)
        return;
    std::optional<PaneHit> hit = hitAt(event->position().toPoint());
    if (hit && record_.lines()[hit->line].selectable())
        emit doubleClicked(record_.lines()[hit->line].item, hit->part);
    else
        emit doubleClickedEmpty();
}

// A press becomes a drag once the mouse has gone the platform's drag
// distance with the button held; short of that it stays a click.
void DayPane::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressedEntry_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint at = event->position().toPoint();
    if (!dragging_) {
        if ((at - pressedAt_).manhattanLength() < QApplication::startDragDistance())
            return;
        if (!dragAllowed_ || !dragAllowed_()) {
            pressedEntry_.reset();
            return;
        }
        dragging_ = true;
        setCursor(Qt::DragMoveCursor);
    }
    emit entryDragMoved(mapToGlobal(at));
}

void DayPane::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    std::optional<DraggedEntry> entry = std::exchange(pressedEntry_, std::nullopt);
    if (!std::exchange(dragging_, false))
        return;
    unsetCursor();
    emit entryDropped(*entry, mapToGlobal(event->position().toPoint()));
}

DropSpot DayPane::dropSpotAt(QPoint position) const
{
    DropSpot spot = zk::dropSpotAt(record_, position.y() - headingHeight());
    spot.markerTop += headingHeight();
    return spot;
}

void DayPane::setDropMarker(std::optional<int> top)
{
    if (dropMarker_ != top) {
        dropMarker_ = top;
        update();
    }
}

void DayPane::wheelEvent(QWheelEvent* event)
{
    int steps = event->angleDelta().y() / 120;
    if (steps == 0)
        return;
    record_.scrollBy(-steps * kWheelLines);
    if (scroll_ == PaneScroll::Lines)
        updateScrollBar();
    update();
}

// --- painting -------------------------------------------------------------------------------

void DayPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), style_.background);
    paintHeading(painter);
    QRect area = linesArea();
    painter.setClipRect(area);
    if (record_.tooManyLines()) {
        painter.setPen(style_.conflict);
        painter.setFont(style_.schedule);
        painter.drawText(area.adjusted(kPad, kPad, -kPad, -kPad), Qt::AlignLeft | Qt::TextWordWrap, kTooManyLinesText);
        return;
    }
    for (const PaneRow& row : record_.rows())
        paintRow(painter, row, area.top());
    painter.setClipping(false);
    if (dropMarker_) {
        // Where a dragged entry would go.
        painter.fillRect(QRect(0, *dropMarker_ - 1, linesArea().width(), 3), palette().color(QPalette::Highlight));
    }
    if (framed_) {
        painter.setPen(current_ ? palette().color(QPalette::Highlight) : QColor(0xB0, 0xB0, 0xB0));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void DayPane::paintHeading(QPainter& painter)
{
    QRect band(0, 0, width(), headingHeight());
    painter.fillRect(band, current_ && framed_ ? QColor(0xE4, 0xEC, 0xF7) : QColor(0xF3, 0xF3, 0xF3));
    QFontMetrics headingMetrics(style_.heading);
    painter.setPen(record_.dayLines().highlighted ? style_.highlight : style_.text);
    QRect dateRect(kPad * 2, kPad, width() - 4 * kPad, headingMetrics.height());
    // The moon's symbol and drawing follow the date and keep their room.
    const QString symbol = QString::fromStdString(record_.dayLines().moonSymbol);
    const std::optional<MoonPhase>& moon = record_.dayLines().moon;
    const int moonSize = headingMetrics.height() * 2 / 3;
    const int symbolWidth = symbol.isEmpty() ? 0 : headingMetrics.horizontalAdvance(symbol) + kPad;
    const int moonRoom = (symbol.isEmpty() ? 0 : symbolWidth + kPad) + (moon ? moonSize + kPad : 0);
    QFont font = style_.heading;
    const QString text = fittedHeading(heading(), font, std::max(0, dateRect.width() - moonRoom), style_.facts.pointSizeF());
    painter.setFont(font);
    painter.drawText(dateRect, Qt::AlignLeft | Qt::AlignVCenter, text);
    int x = dateRect.left() + QFontMetrics(font).horizontalAdvance(text) + 2 * kPad;
    if (!symbol.isEmpty()) {
        painter.setFont(style_.heading);
        painter.setPen(style_.text);
        painter.drawText(QRect(x, dateRect.top(), symbolWidth, dateRect.height()), Qt::AlignLeft | Qt::AlignVCenter, symbol);
        x += symbolWidth + kPad;
    }
    if (moon)
        drawMoon(painter, QRectF(x, dateRect.center().y() - moonSize / 2.0, moonSize, moonSize), *moon,
                 display_.moon.latitude < 0);
    painter.setFont(style_.facts);
    painter.setPen(style_.unscheduled.darker(130));
    QRect factsRect(kPad * 2, dateRect.bottom() + kPad, width() - 4 * kPad, QFontMetrics(style_.facts).height());
    painter.drawText(factsRect, Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetrics(style_.facts).elidedText(facts(), Qt::ElideRight, factsRect.width()));
    painter.setPen(QColor(0xD0, 0xD0, 0xD0));
    painter.drawLine(0, band.bottom(), width(), band.bottom());
}

void DayPane::paintRow(QPainter& painter, const PaneRow& row, int top)
{
    const PaneLine& line = record_.lines()[row.line];
    QRect rect(0, top + row.top, record_.metrics().clientWidth, row.height);
    bool selected = record_.selectedLines().count(row.line) != 0;
    if (line.kind == PaneLineKind::Gap)
        paintGapLine(painter, line, rect);
    else
        paintItemLine(painter, line, rect, selected);
    if (display_.itemBorders) {
        painter.setPen(QColor(0xDD, 0xDD, 0xDD));
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    }
}

QColor DayPane::textColor(const PaneLine& line) const
{
    if (line.status != 0)
        return style_.statusText[line.status];
    if (line.floating)
        return style_.fluid;
    return style_.text;
}

QFont DayPane::lineFont(const PaneLine& line) const
{
    QFont font = style_.schedule;
    if (line.key)
        font.setUnderline(true);
    if (line.struckOut)
        font.setStrikeOut(true);
    return font;
}

// After the time column: in PRO mode the duration bar, the flag icons and
// the project colour box, three character widths each, unless the
// timespace layout shows durations.
int DayPane::textLeft() const
{
    const PaneMetrics& m = record_.metrics();
    bool marks = display_.proMode && !m.timespace;
    return m.timeColumnWidth + (marks ? 9 * m.characterWidth : 0) + kPad;
}

void DayPane::paintTimeColumn(QPainter& painter, const QRect& rect, const std::string& time, const std::string& end,
                              const QColor& color)
{
    const QFontMetrics& fm = scheduleMetrics_;
    int timeWidth = timeWidth_;
    // The same band as the text beside it, so both share one baseline.
    const PaneMetrics& m = record_.metrics();
    QRect timeRect(kPad, rect.top(), timeWidth, m.timespace ? rect.height() : m.lineHeight);
    painter.setFont(style_.schedule);
    painter.setPen(color);
    drawLineText(painter, fm, timeRect, simplified(time), Qt::AlignRight);
    if (!end.empty()) {
        QRect endRect(timeRect.right() + fm.horizontalAdvance("> "), timeRect.top(), timeWidth, timeRect.height());
        drawLineText(painter, fm, endRect, simplified(end), Qt::AlignRight);
    }
}

void DayPane::paintMarks(QPainter& painter, const PaneLine& line, const QRect& rect)
{
    const PaneMetrics& m = record_.metrics();
    if (!display_.proMode || m.timespace)
        return;
    int slot = 3 * m.characterWidth;
    int x = m.timeColumnWidth;
    int mid = rect.top() + m.lineHeight / 2;
    // The bar's length follows the minutes, full at four hours.
    int length = std::clamp(line.minutes * (slot - 2) / 240, line.minutes > 0 ? 2 : 0, slot - 2);
    painter.fillRect(QRect(x, mid - 2, length, 5), line.floating ? style_.fluid : style_.unscheduled);
    x += slot;
    painter.setRenderHint(QPainter::Antialiasing);
    int r = std::max(2, m.lineHeight / 5);
    if (line.alarm) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xE0, 0x80, 0x10));
        painter.drawEllipse(QPoint(x + r + 1, mid), r, r);
    }
    if (line.key) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x20, 0x60, 0xC0));
        painter.drawEllipse(QPoint(x + 3 * r + 3, mid), r, r);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (line.projectColour) {
        const std::uint32_t c = *line.projectColour;  // 0x00BBGGRR
        QRect box(x + slot + 1, rect.top() + 2, slot - 3, m.lineHeight - 5);
        painter.fillRect(box, QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
        painter.setPen(style_.unscheduled);
        painter.drawRect(box);
    }
}

void DayPane::paintItemLine(QPainter& painter, const PaneLine& line, const QRect& rect, bool selected)
{
    QColor fill = line.background == LineBackground::Done     ? style_.done
                  : line.background == LineBackground::Shaded ? style_.shading
                                                              : style_.background;
    // Only the current pane's selection is where the keys act; the others
    // keep theirs in a pale tint.
    bool active = current_ || !framed_;
    QColor selection = palette().color(QPalette::Highlight);
    if (!active)
        selection = QColor::fromHsv(selection.hue(), 40, 245);
    painter.fillRect(rect, selected ? selection : fill);
    selected = selected && active;
    const PaneMetrics& m = record_.metrics();
    if (line.text.separator) {
        painter.setPen(QPen(style_.unscheduled, 2));
        painter.drawLine(rect.left() + kPad, rect.center().y(), rect.right() - kPad, rect.center().y());
        return;
    }
    QColor ink = selected ? palette().color(QPalette::HighlightedText) : textColor(line);
    QColor timeInk = line.text.timeInRed && !selected ? style_.conflict : ink;
    paintTimeColumn(painter, rect, line.text.time + line.text.afterTime, line.text.endTime, timeInk);
    paintMarks(painter, line, rect);

    int left = textLeft();
    int right = rect.right() - kPad - (line.hasNote ? 5 * m.characterWidth : 0);
    QFont font = lineFont(line);
    // Underlining and striking out leave the widths as they are.
    const QFontMetrics& fm = scheduleMetrics_;
    QString text = QString::fromStdString(line.text.text).trimmed();
    QString lens = QString::fromStdString(line.text.conflictLens);
    int lensWidth = lens.isEmpty() ? 0 : fm.horizontalAdvance(lens) + m.characterWidth;
    QString shown = fitted(fm, text, std::max(0, right - left - lensWidth));
    // Centred in its height in the timespace layout, else on its one line.
    QRect textRect(left, rect.top(), right - left, m.timespace ? rect.height() : m.lineHeight);
    painter.setFont(font);
    painter.setPen(ink);
    drawLineText(painter, fm, textRect, shown);
    if (!lens.isEmpty()) {
        QRect lensRect(left + fm.horizontalAdvance(shown) + m.characterWidth, textRect.top(), lensWidth, textRect.height());
        painter.setFont(style_.schedule);
        painter.setPen(selected ? ink : style_.conflict);
        drawLineText(painter, fm, lensRect, lens);
    }
    if (line.hasNote) {
        // A page with a folded corner, five character widths in from the edge.
        int w = std::max(6, m.characterWidth * 3 / 2), h = std::max(8, m.lineHeight - 6);
        QRect page(rect.right() - 5 * m.characterWidth + m.characterWidth, rect.top() + (m.lineHeight - h) / 2, w, h);
        QPainterPath path;
        path.moveTo(page.topLeft());
        path.lineTo(page.right() - w / 3, page.top());
        path.lineTo(page.right(), page.top() + w / 3);
        path.lineTo(page.bottomRight());
        path.lineTo(page.bottomLeft());
        path.closeSubpath();
        painter.setPen(ink);
        painter.setBrush(QColor(0xFF, 0xF4, 0xB0));
        painter.drawPath(path);
        painter.setBrush(Qt::NoBrush);
    }
}

void DayPane::paintGapLine(QPainter& painter, const PaneLine& line, const QRect& rect)
{
    painter.fillRect(rect, style_.background);
    paintTimeColumn(painter, rect, line.gap.time, line.gap.endTime, style_.unscheduled);
    QFont font = style_.schedule;
    font.setItalic(true);
    painter.setFont(font);
    painter.setPen(style_.unscheduled);
    const PaneMetrics& m = record_.metrics();
    QRect textRect(textLeft(), rect.top(), rect.width() - textLeft() - kPad, m.timespace ? rect.height() : m.lineHeight);
    drawLineText(painter, scheduleMetrics_, textRect, QString::fromStdString(line.gap.text));
}

} // namespace zk
