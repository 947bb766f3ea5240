#include "views/schedulepage.h"

#include "shell/model/settings.h"
#include "views/daypane.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

namespace zk {

namespace {

const char* const kStartColumnSample = "12:22p^";
const char* const kEndColumnSample = "12:22p";
// The room kept at the right of a line for its note mark, in characters.
constexpr int kNoteMarkCharacters = 5;
const QColor kGapInk(0x60, 0x60, 0x60);
const QColor kHolidayInk(0xA0, 0x10, 0x10);

QString simplified(const std::string& text) { return QString::fromStdString(text).simplified(); }

} // namespace

PrintStyle::PrintStyle()
{
    heading.setPointSizeF(20);
    text.setPointSizeF(12);
}

PrintStyle PrintStyle::fromSettings(const Settings& settings, const PaneDisplay& display)
{
    PrintStyle style;
    style.heading = fontOf(settings.font(FontSetting::PrintHeading), style.heading);
    style.text = fontOf(settings.font(FontSetting::PrintNormal), style.text);
    style.endTimes = display.showEndTimes;
    style.timespace = display.timespace && !display.liteMode;
    return style;
}

SchedulePages::SchedulePages(std::vector<DayLines> days, PrintStyle style) : days_(std::move(days)), style_(std::move(style))
{
}

// Where the next piece goes, with the device's measures.
struct SchedulePages::Flow {
    QPaintDevice& device;
    QFontMetricsF heading;
    QFontMetricsF text;
    qreal width = 0;
    qreal height = 0;
    qreal y = 0;
    std::vector<Page>& pages;

    void newPage()
    {
        pages.emplace_back();
        y = 0;
    }
    // Starts a new page unless the height fits below y (or the page is
    // still empty, where nothing would fit better).
    void need(qreal h)
    {
        if (y > 0 && y + h > height)
            newPage();
    }
    void add(Piece piece) { pages.back().push_back(std::move(piece)); }
};

void SchedulePages::layout(QPaintDevice& device)
{
    pages_.clear();
    if (days_.empty())
        return;
    Flow flow{device, QFontMetricsF(style_.heading, &device), QFontMetricsF(style_.text, &device), 0, 0, 0, pages_};
    flow.width = device.width();
    flow.height = device.height();
    flow.newPage();
    for (const DayLines& day : days_)
        layoutDay(flow, day);
}

void SchedulePages::layoutDay(Flow& flow, const DayLines& day) const
{
    const QFontMetricsF& tm = flow.text;
    const qreal lineHeight = tm.lineSpacing();
    const qreal spacing = lineHeight / 5;
    const qreal startWidth = tm.horizontalAdvance(kStartColumnSample);
    const qreal endWidth = style_.endTimes ? tm.horizontalAdvance(kEndColumnSample) + tm.averageCharWidth() : 0;
    const qreal textLeft = startWidth + endWidth + 2 * tm.averageCharWidth();
    PaneMetrics entryMetrics;
    entryMetrics.lineHeight = static_cast<int>(lineHeight);
    entryMetrics.timespace = true;

    const QString facts = simplified(day.facts);
    const qreal headHeight = flow.heading.height() + (facts.isEmpty() ? 0 : tm.height()) + spacing;
    // The heading keeps at least its first line with it.
    flow.need(headHeight + (day.lines.empty() ? 0 : lineHeight + spacing));
    Piece heading{Part::Heading, QRectF(0, flow.y, flow.width, flow.heading.height()),
                  QString::fromStdString(day.heading)};
    heading.highlighted = day.highlighted;
    flow.add(heading);
    flow.y += flow.heading.height();
    if (!facts.isEmpty()) {
        flow.add({Part::Facts, QRectF(0, flow.y, flow.width, tm.height()), facts});
        flow.y += tm.height();
    }
    flow.y += spacing;

    for (const PaneLine& line : day.lines) {
        if (line.kind == PaneLineKind::Item && line.text.separator) {
            flow.need(lineHeight);
            flow.add({Part::Rule, QRectF(0, flow.y, flow.width, lineHeight), {}});
            flow.y += lineHeight;
            continue;
        }
        const bool gap = line.kind == PaneLineKind::Gap;
        const QString text = gap ? simplified(line.gap.text) : simplified(line.text.text);
        const qreal right = flow.width - (line.hasNote ? kNoteMarkCharacters * tm.averageCharWidth() : 0);
        const qreal textWidth = std::max<qreal>(tm.averageCharWidth(), right - textLeft);
        const qreal textHeight =
            std::max(tm.height(), tm.boundingRect(QRectF(0, 0, textWidth, 1e6), Qt::TextWordWrap, text).height());
        qreal advance = textHeight + spacing;
        if (style_.timespace)
            advance = std::max<qreal>(advance, lineHeightOf(line, entryMetrics));
        flow.need(advance);
        QString start = gap ? simplified(line.gap.time) : simplified(line.text.time) + simplified(line.text.afterTime);
        QString end = gap ? simplified(line.gap.endTime) : simplified(line.text.endTime);
        flow.add({Part::Time, QRectF(0, flow.y, startWidth, tm.height()), start});
        if (style_.endTimes)
            flow.add({Part::Time, QRectF(startWidth, flow.y, endWidth, tm.height()), end});
        Piece piece{gap ? Part::Gap : Part::Text, QRectF(textLeft, flow.y, textWidth, textHeight), text};
        piece.key = line.key;
        piece.struckOut = line.struckOut;
        flow.add(piece);
        flow.y += advance;
    }
    // A blank line between days.
    flow.y += lineHeight;
}

QStringList SchedulePages::pageTexts(int index) const
{
    QStringList texts;
    QString times;
    for (const Piece& piece : page(index)) {
        switch (piece.part) {
        case Part::Heading:
        case Part::Facts: texts << piece.text; break;
        case Part::Time: times = times.isEmpty() ? piece.text : (times + ' ' + piece.text).trimmed(); break;
        case Part::Text:
        case Part::Gap:
            texts << times + '\t' + piece.text;
            times.clear();
            break;
        case Part::Rule: texts << QStringLiteral("\t----"); break;
        }
    }
    return texts;
}

QFont SchedulePages::lineFont(const Piece& piece) const
{
    QFont font = style_.text;
    if (piece.key)
        font.setUnderline(true);
    if (piece.struckOut)
        font.setStrikeOut(true);
    if (piece.part == Part::Gap)
        font.setItalic(true);
    return font;
}

void SchedulePages::paintPage(QPainter& painter, int index) const
{
    for (const Piece& piece : page(index)) {
        switch (piece.part) {
        case Part::Heading:
            painter.setFont(style_.heading);
            painter.setPen(piece.highlighted ? kHolidayInk : Qt::black);
            painter.drawText(piece.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, piece.text);
            break;
        case Part::Facts:
            painter.setFont(style_.text);
            painter.setPen(kGapInk);
            painter.drawText(piece.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, piece.text);
            break;
        case Part::Time:
            painter.setFont(style_.text);
            painter.setPen(Qt::black);
            painter.drawText(piece.rect, Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, piece.text);
            break;
        case Part::Text:
        case Part::Gap:
            painter.setFont(lineFont(piece));
            painter.setPen(piece.part == Part::Gap ? kGapInk : Qt::black);
            painter.drawText(piece.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, piece.text);
            break;
        case Part::Rule: {
            QPen pen(kGapInk);
            pen.setWidthF(std::max<qreal>(1, piece.rect.height() / 12));
            painter.setPen(pen);
            const qreal y = piece.rect.center().y();
            painter.drawLine(QPointF(piece.rect.left(), y), QPointF(piece.rect.right(), y));
            break;
        }
        }
    }
}

} // namespace zk
