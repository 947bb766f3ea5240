#pragma once
// Printed daily schedules laid out on pages and painted onto any paint
// device: a printer, a PDF writer, an image. Each day gives its date in the
// printed headings font, its facts line, then its lines in the printed
// text font: the time column at the left and the text word-wrapped from
// the text column to the right edge (less room for the note mark). A line
// takes its text's height and a fifth of a line more, or, in the timespace
// layout, its entry's height when that is taller. Days follow one another;
// a day that does not fit goes on with a new page, and a day's heading
// never stands alone at the foot of a page.
//
// The pages hold only texts and rectangles: layout() measures with the
// device's own resolution, paintPage() draws one page.

#ifndef Q_MOC_RUN
#include "shell/model/panelines.h"
#endif
#include "views/printedpages.h"

#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

namespace zk {

class Settings;

struct PrintStyle {
    QFont heading;  // PrintHeading
    QFont text;     // PrintNormal
    bool endTimes = false;
    bool timespace = false;  // entry heights follow their minutes (never in LITE mode)

    PrintStyle();
    static PrintStyle fromSettings(const Settings& settings, const PaneDisplay& display);
};

class SchedulePages final : public PrintedPages {
public:
    enum class Part { Heading, Facts, Time, Text, Gap, Rule };
    struct Piece {
        Part part = Part::Text;
        QRectF rect;
        QString text;
        bool highlighted = false;  // a holiday's date
        bool key = false;
        bool struckOut = false;
    };
    using Page = std::vector<Piece>;

    SchedulePages(std::vector<DayLines> days, PrintStyle style);

    // Lays the days out on pages of the device's paintable size.
    void layout(QPaintDevice& device) override;
    int pageCount() const override { return static_cast<int>(pages_.size()); }
    const Page& page(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
    // The texts of a page from top to bottom, a line's time and text
    // joined by a tab, as a reader takes them in.
    QStringList pageTexts(int index) const override;
    void paintPage(QPainter& painter, int index) const override;

private:
    struct Flow;
    void layoutDay(Flow& flow, const DayLines& day) const;
    QFont lineFont(const Piece& piece) const;

    std::vector<DayLines> days_;
    PrintStyle style_;
    std::vector<Page> pages_;
};

} // namespace zk
