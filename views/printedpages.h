#pragma once
// Pages for paper: any printed document is laid out for a device's
// paintable size, then painted one page at a time, so the print dialog, the
// print preview and a PDF writer all take the same pages.
//
// TextPages print a titled text document (lists, notes, reports): the
// title in the heading font on the first page, each section's heading in
// bold, its lines with their prefix column word-wrapped in the text font,
// a section's heading never alone at a page's foot.
//
// CalendarPages print one page per week (seven day boxes stacked, each
// with the day's printed lines, a busy day taking the room quiet ones
// leave) or per month (a grid of whole weeks with
// the month view's entries). Lines a box cannot hold end in "+N more".
// Every page carries "Page n of m" at its foot.

#ifndef Q_MOC_RUN
#include "shell/model/printeddocuments.h"
#endif

#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

namespace zk {

class PrintedPages {
public:
    virtual ~PrintedPages() = default;
    // Lays the pages out for the device's paintable size and resolution.
    virtual void layout(QPaintDevice& device) = 0;
    virtual int pageCount() const = 0;
    virtual void paintPage(QPainter& painter, int index) const = 0;
    // The texts of a page from top to bottom, as a reader takes them in.
    virtual QStringList pageTexts(int index) const = 0;

    // Lays out for the device and paints the pages `first`..`last` (all
    // pages when last is -1), within the page range a printer was given,
    // a new sheet for each after the first. False when the device could
    // not be painted.
    bool print(QPagedPaintDevice& device, int first = 0, int last = -1);
};

// The fonts of every printed page: the PrintHeading and PrintNormal fonts.
struct PageFonts {
    QFont heading;
    QFont text;
    PageFonts();
};

class TextPages final : public PrintedPages {
public:
    TextPages(PrintedText text, PageFonts fonts);
    void layout(QPaintDevice& device) override;
    int pageCount() const override { return static_cast<int>(pages_.size()); }
    void paintPage(QPainter& painter, int index) const override;
    QStringList pageTexts(int index) const override;

private:
    enum class Part { Title, Heading, Prefix, Text, Footer };
    struct Piece {
        Part part;
        QRectF rect;
        QString text;
        bool key = false;
        bool struckOut = false;
    };
    PrintedText text_;
    PageFonts fonts_;
    std::vector<std::vector<Piece>> pages_;
};

class CalendarPages final : public PrintedPages {
public:
    CalendarPages(std::vector<PrintedWeek> weeks, PageFonts fonts);
    CalendarPages(std::vector<PrintedMonth> months, PageFonts fonts);
    void layout(QPaintDevice& device) override;
    int pageCount() const override;
    void paintPage(QPainter& painter, int index) const override;
    QStringList pageTexts(int index) const override;

private:
    struct Box {
        QRectF rect;
        QString heading;
        QString corner;  // the week number, the distance of a month cell
        QStringList lines;
        int hidden = 0;  // lines that did not fit
        bool pale = false;
        bool highlighted = false;
        bool today = false;
    };
    struct Page {
        QString title;
        QStringList columnHeadings;
        std::vector<QRectF> columnRects;
        std::vector<Box> boxes;
        QRectF footer;
        QString footerText;
    };
    void layoutWeek(const PrintedWeek& week, qreal width, qreal height, qreal lineHeight, Page& page) const;
    void layoutMonth(const PrintedMonth& month, qreal width, qreal height, Page& page) const;
    void fitLines(Box& box, qreal lineHeight) const;

    std::vector<PrintedWeek> weeks_;
    std::vector<PrintedMonth> months_;
    PageFonts fonts_;
    qreal headingTop_ = 0;  // room of a box's heading, in device units
    std::vector<Page> pages_;
};

} // namespace zk
