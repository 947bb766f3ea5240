#include "views/printedpages.h"

#include "core/calendar.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace zk {

namespace {

const QColor kRuleInk(0x80, 0x80, 0x80);
const QColor kPaleInk(0x90, 0x90, 0x90);
const QColor kPaleFill(0xF2, 0xF2, 0xF2);
const QColor kHolidayInk(0xA0, 0x10, 0x10);
// A calendar box holds many days' lines: its text is smaller than a list's.
constexpr qreal kCalendarTextScale = 0.72;
// The widest prefix column, as a share of the page width.
constexpr qreal kWidestPrefixShare = 0.4;
// The share of a week box's width that holds the day's date.
constexpr qreal kWeekDateShare = 0.2;

QString qt(const std::string& text) { return QString::fromStdString(text); }

QString pageOf(int page, int pages) { return QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages); }

QFont scaled(const QFont& font, qreal scale, bool bold = false)
{
    QFont result = font;
    result.setPointSizeF(std::max<qreal>(6, font.pointSizeF() * scale));
    result.setBold(bold);
    return result;
}

} // namespace

bool PrintedPages::print(QPagedPaintDevice& device, int first, int last)
{
    layout(device);
    if (pageCount() == 0)
        return true;
    last = last < 0 ? pageCount() - 1 : std::min(last, pageCount() - 1);
    // The pages the print dialog chose (1-based; 0 for all), within ours.
    if (const auto* printer = dynamic_cast<const QPrinter*>(&device); printer && printer->fromPage() > 0) {
        first = std::max(first, printer->fromPage() - 1);
        last = std::min(last, printer->toPage() - 1);
        if (first > last)
            return true;
    }
    first = std::clamp(first, 0, last);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // A printer painted before keeps its last pen in its engine, and a new
    // painter skips setting a pen equal to its default: leave the default
    // first, so the pages' black pens reach the engine.
    painter.setPen(Qt::NoPen);
    for (int i = first; i <= last; ++i) {
        if (i > first)
            device.newPage();
        paintPage(painter, i);
    }
    return painter.end();
}

PageFonts::PageFonts()
{
    heading.setPointSizeF(20);
    text.setPointSizeF(12);
}

// --- text documents ---------------------------------------------------------------------

TextPages::TextPages(PrintedText text, PageFonts fonts) : text_(std::move(text)), fonts_(std::move(fonts)) {}

void TextPages::layout(QPaintDevice& device)
{
    pages_.clear();
    const QFontMetricsF title(fonts_.heading, &device);
    const QFontMetricsF tm(fonts_.text, &device);
    const QFontMetricsF bold(scaled(fonts_.text, 1, true), &device);
    const qreal width = device.width();
    const qreal footerHeight = tm.height();
    const qreal height = device.height() - 1.5 * footerHeight;
    const qreal spacing = tm.lineSpacing() / 5;

    qreal prefixWidth = 0;
    for (const PrintedSection& section : text_.sections)
        for (const PrintedLine& line : section.lines)
            if (!line.prefix.empty())
                prefixWidth = std::max(prefixWidth, tm.horizontalAdvance(qt(line.prefix)));
    prefixWidth = std::min(prefixWidth, width * kWidestPrefixShare);
    const qreal textLeft = prefixWidth > 0 ? prefixWidth + 2 * tm.averageCharWidth() : 0;
    const qreal textWidth = std::max(tm.averageCharWidth(), width - textLeft);

    qreal y = 0;
    auto newPage = [&] {
        pages_.emplace_back();
        y = 0;
    };
    auto need = [&](qreal h) {
        if (y > 0 && y + h > height)
            newPage();
    };
    newPage();
    pages_.back().push_back({Part::Title, QRectF(0, 0, width, title.height()), qt(text_.title)});
    y = title.height() + tm.lineSpacing();

    for (const PrintedSection& section : text_.sections) {
        auto wrappedHeight = [&](const PrintedLine& line) {
            return std::max(tm.height(),
                            tm.boundingRect(QRectF(0, 0, textWidth, 1e6), Qt::TextWordWrap, qt(line.text)).height());
        };
        if (!section.heading.empty()) {
            const qreal first = section.lines.empty() ? 0 : wrappedHeight(section.lines.front()) + spacing;
            need(bold.height() + spacing + first);
            pages_.back().push_back({Part::Heading, QRectF(0, y, width, bold.height()), qt(section.heading)});
            y += bold.height() + spacing;
        }
        for (const PrintedLine& line : section.lines) {
            const qreal h = wrappedHeight(line);
            need(h);
            if (!line.prefix.empty())
                pages_.back().push_back({Part::Prefix, QRectF(0, y, prefixWidth, tm.height()), qt(line.prefix)});
            pages_.back().push_back(
                {Part::Text, QRectF(textLeft, y, textWidth, h), qt(line.text), line.key, line.struckOut});
            y += h + spacing;
        }
        y += tm.lineSpacing();
    }
    const int count = pageCount();
    for (int i = 0; i < count; ++i)
        pages_[static_cast<std::size_t>(i)].push_back(
            {Part::Footer, QRectF(0, device.height() - footerHeight, width, footerHeight), pageOf(i, count)});
}

void TextPages::paintPage(QPainter& painter, int index) const
{
    for (const Piece& piece : pages_.at(static_cast<std::size_t>(index))) {
        QFont font = fonts_.text;
        int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
        painter.setPen(Qt::black);
        switch (piece.part) {
        case Part::Title: font = fonts_.heading; break;
        case Part::Heading: font.setBold(true); break;
        case Part::Prefix: break;
        case Part::Text:
            flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
            font.setUnderline(piece.key);
            font.setStrikeOut(piece.struckOut);
            break;
        case Part::Footer:
            flags = Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine;
            painter.setPen(kPaleInk);
            break;
        }
        painter.setFont(font);
        painter.drawText(piece.rect, flags, piece.text);
    }
}

QStringList TextPages::pageTexts(int index) const
{
    QStringList texts;
    QString prefix;
    for (const Piece& piece : pages_.at(static_cast<std::size_t>(index))) {
        if (piece.part == Part::Prefix) {
            prefix = piece.text;
        } else if (piece.part == Part::Text) {
            texts << prefix + '\t' + piece.text;
            prefix.clear();
        } else {
            texts << piece.text;
        }
    }
    return texts;
}

// --- calendars ----------------------------------------------------------------------------

CalendarPages::CalendarPages(std::vector<PrintedWeek> weeks, PageFonts fonts)
    : weeks_(std::move(weeks)), fonts_(std::move(fonts))
{
}

CalendarPages::CalendarPages(std::vector<PrintedMonth> months, PageFonts fonts)
    : months_(std::move(months)), fonts_(std::move(fonts))
{
}

int CalendarPages::pageCount() const { return static_cast<int>(pages_.size()); }

void CalendarPages::layout(QPaintDevice& device)
{
    pages_.clear();
    const QFontMetricsF title(fonts_.heading, &device);
    const QFontMetricsF small(scaled(fonts_.text, kCalendarTextScale), &device);
    const qreal width = device.width();
    const qreal footerHeight = small.height();
    // Below the title, above the footer.
    const qreal top = title.height() + small.lineSpacing() / 2;
    const qreal height = device.height() - top - 1.5 * footerHeight;
    headingTop_ = QFontMetricsF(scaled(fonts_.text, kCalendarTextScale * 1.1, true), &device).height();

    for (const PrintedWeek& week : weeks_) {
        Page page;
        page.title = qt(week.title);
        layoutWeek(week, width, height, small.lineSpacing(), page);
        pages_.push_back(std::move(page));
    }
    for (const PrintedMonth& month : months_) {
        Page page;
        page.title = qt(month.title);
        for (const std::string& name : month.weekdays)
            page.columnHeadings << qt(name);
        layoutMonth(month, width, height, page);
        pages_.push_back(std::move(page));
    }
    const int count = pageCount();
    for (int i = 0; i < count; ++i) {
        Page& page = pages_[static_cast<std::size_t>(i)];
        for (QRectF& rect : page.columnRects)
            rect.translate(0, top);
        for (Box& box : page.boxes)
            box.rect.translate(0, top);
        page.footer = QRectF(0, device.height() - footerHeight, width, footerHeight);
        page.footerText = pageOf(i, count);
    }
    for (Page& page : pages_)
        for (Box& box : page.boxes)
            fitLines(box, small.lineSpacing());
    // Eliding needs the device's measures: done here, once per line.
    for (Page& page : pages_) {
        for (Box& box : page.boxes) {
            const bool week = !weeks_.empty();
            const qreal room = (week ? box.rect.width() * (1 - kWeekDateShare) : box.rect.width()) - small.averageCharWidth();
            for (QString& line : box.lines)
                line = small.elidedText(line, Qt::ElideRight, room);
        }
    }
}

void CalendarPages::layoutWeek(const PrintedWeek& week, qreal width, qreal height, qreal lineHeight, Page& page) const
{
    for (const DayLines& day : week.days) {
        Box box;
        // The weekday over the date, in the narrow date column.
        box.heading = qt(day.heading);
        if (const qsizetype blank = box.heading.indexOf(' '); blank > 0)
            box.heading[blank] = '\n';
        box.highlighted = day.highlighted;
        for (const PaneLine& line : day.lines) {
            if (line.kind == PaneLineKind::Gap || line.text.separator)
                continue;
            const QString time = (qt(line.text.time) + qt(line.text.afterTime)).trimmed();
            box.lines << (time.isEmpty() ? QString() : time + "  ") + qt(line.text.text).simplified();
        }
        page.boxes.push_back(std::move(box));
    }
    if (page.boxes.empty())
        return;
    // A busy day takes the room a quiet one leaves: each day gets what its
    // lines need up to a fair share of what is left, the quietest first;
    // room to spare is shared out evenly.
    std::vector<qreal> needed;
    for (const Box& box : page.boxes)
        needed.push_back((std::max<qsizetype>(box.lines.size(), 2) + 1) * lineHeight);
    std::vector<std::size_t> order(needed.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return needed[a] < needed[b]; });
    std::vector<qreal> heights(needed.size());
    qreal left = height;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const qreal fair = left / static_cast<qreal>(order.size() - i);
        heights[order[i]] = std::min(needed[order[i]], fair);
        left -= heights[order[i]];
    }
    qreal y = 0;
    for (std::size_t i = 0; i < page.boxes.size(); ++i) {
        const qreal h = heights[i] + left / static_cast<qreal>(page.boxes.size());
        page.boxes[i].rect = QRectF(0, y, width, h);
        y += h;
    }
}

void CalendarPages::layoutMonth(const PrintedMonth& month, qreal width, qreal height, Page& page) const
{
    const qreal columnWidth = width / 7;
    const qreal headingHeight = headingTop_;
    for (int c = 0; c < 7; ++c)
        page.columnRects.emplace_back(c * columnWidth, 0, columnWidth, headingHeight);
    const int weeks = std::max(1, static_cast<int>(month.cells.size()) / 7);
    const qreal rowHeight = (height - headingHeight) / weeks;
    for (std::size_t i = 0; i < month.cells.size(); ++i) {
        const MonthCell& cell = month.cells[i];
        Box box;
        const int row = static_cast<int>(i / 7), column = static_cast<int>(i % 7);
        box.rect = QRectF(column * columnWidth, headingHeight + row * rowHeight, columnWidth, rowHeight);
        if (!cell.usable) {
            box.pale = true;
            page.boxes.push_back(std::move(box));
            continue;
        }
        box.heading = QString::number(cell.dayOfMonth);
        if (cell.weekNumber)
            box.corner = QStringLiteral("wk %1").arg(*cell.weekNumber);
        box.pale = civilDate(cell.day).month != month.month;
        box.highlighted = cell.highlighted;
        box.today = cell.today;
        for (const MonthLine& line : cell.lines)
            box.lines << qt(line.text).simplified();
        page.boxes.push_back(std::move(box));
    }
}

// Keeps the lines that fit under the box's heading, the last giving way to
// "+N more" when some are left out.
void CalendarPages::fitLines(Box& box, qreal lineHeight) const
{
    // A week box has its date at the left, so its lines start at the top.
    const qreal above = weeks_.empty() ? headingTop_ : lineHeight / 2;
    const int room = std::max(0, static_cast<int>(std::floor((box.rect.height() - above) / lineHeight)));
    const int count = static_cast<int>(box.lines.size());
    if (count <= room)
        return;
    const int kept = std::max(0, room - 1);
    box.hidden = count - kept;
    box.lines = box.lines.mid(0, kept);
}

void CalendarPages::paintPage(QPainter& painter, int index) const
{
    const Page& page = pages_.at(static_cast<std::size_t>(index));
    const QFont small = scaled(fonts_.text, kCalendarTextScale);
    const QFont bold = scaled(fonts_.text, kCalendarTextScale * 1.1, true);
    const QFontMetricsF sm(small, painter.device());
    const qreal pad = sm.averageCharWidth() / 2;

    painter.setPen(Qt::black);
    painter.setFont(fonts_.heading);
    painter.drawText(QRectF(0, 0, page.footer.width(), QFontMetricsF(fonts_.heading, painter.device()).height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, page.title);
    painter.setFont(bold);
    for (std::size_t c = 0; c < page.columnRects.size() && c < static_cast<std::size_t>(page.columnHeadings.size()); ++c)
        painter.drawText(page.columnRects[c], Qt::AlignCenter | Qt::TextSingleLine,
                         page.columnHeadings[static_cast<int>(c)]);

    const bool week = !weeks_.empty();
    for (const Box& box : page.boxes) {
        QPen pen(box.today ? QColor(Qt::black) : kRuleInk);
        pen.setWidthF(box.today ? 3 * pad / 2 : std::max<qreal>(1, pad / 4));
        painter.setPen(pen);
        painter.setBrush(box.pale ? QBrush(kPaleFill) : QBrush(Qt::NoBrush));
        painter.drawRect(box.rect);
        painter.setBrush(Qt::NoBrush);
        const QRectF inner = box.rect.adjusted(pad, pad / 2, -pad, -pad / 2);
        painter.setFont(bold);
        painter.setPen(box.highlighted ? kHolidayInk : (box.pale ? kPaleInk : QColor(Qt::black)));
        QRectF headingRect(inner.left(), inner.top(), week ? inner.width() * kWeekDateShare : inner.width(), headingTop_);
        if (week)
            headingRect.setHeight(inner.height());
        painter.drawText(headingRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, box.heading);
        if (!box.corner.isEmpty()) {
            painter.setFont(small);
            painter.setPen(kPaleInk);
            painter.drawText(QRectF(inner.left(), inner.top(), inner.width(), headingTop_),
                             Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, box.corner);
        }
        painter.setFont(small);
        painter.setPen(box.pale ? kPaleInk : QColor(Qt::black));
        const qreal left = week ? inner.left() + box.rect.width() * kWeekDateShare : inner.left();
        qreal y = week ? inner.top() : inner.top() + headingTop_;
        QStringList lines = box.lines;
        if (box.hidden > 0)
            lines << QStringLiteral("+%1 more").arg(box.hidden);
        for (const QString& line : lines) {
            painter.drawText(QRectF(left, y, inner.right() - left, sm.height()),
                             Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, line);
            y += sm.lineSpacing();
        }
    }
    painter.setFont(small);
    painter.setPen(kPaleInk);
    painter.drawText(page.footer, Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine, page.footerText);
}

QStringList CalendarPages::pageTexts(int index) const
{
    const Page& page = pages_.at(static_cast<std::size_t>(index));
    QStringList texts{page.title};
    if (!page.columnHeadings.isEmpty())
        texts << page.columnHeadings.join('\t');
    for (const Box& box : page.boxes) {
        if (box.heading.isEmpty())
            continue;
        texts << box.heading;
        for (const QString& line : box.lines)
            texts << '\t' + line;
        if (box.hidden > 0)
            texts << QStringLiteral("\t+%1 more").arg(box.hidden);
    }
    texts << page.footerText;
    return texts;
}

} // namespace zk
