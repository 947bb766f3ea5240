#pragma once
// One schedule pane: the day's heading (its date, in the highlight colour on
// a holiday, and the day facts) above the lines of the day, painted with
// QPainter from a PaneRecord: the time column right-aligned, then the text
// in the item's colour and font (underlined for key items, struck out for
// done ones), conflicting times in red, gap lines in the unscheduled colour.
// An entry dragged with the left button held shows a drag cursor; the pane
// under it marks where it would go.
//
// The pane keeps only what it paints: the schedule is read during showDay()
// alone, which its caller runs while it owns the schedule. Mouse input is
// turned into signals; the schedules area around the pane acts on them.

#ifndef Q_MOC_RUN
#include "shell/model/entrydrop.h"
#include "shell/model/panelines.h"
#endif

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QScrollBar;

namespace zk {

class Schedule;
class Settings;
struct FontSpec;

struct DayPaneMoment {
    DayNumber today;
    TimeValue now;
};

// A stored font setting as a QFont; what it leaves out comes from `fallback`.
QFont fontOf(const FontSpec& stored, const QFont& fallback);

// Colours and fonts of the panes.
struct PaneStyle {
    QColor text{0, 0, 0};
    QColor background{255, 255, 255};
    QColor fluid{0x00, 0x80, 0x80};
    QColor unscheduled{0x7F, 0x7F, 0x7F};
    QColor done{0xBD, 0xBD, 0xBD};
    QColor shading{0xEE, 0xF2, 0xF8};
    QColor highlight{0xC0, 0x10, 0x10};  // a holiday's date
    QColor conflict{0xFF, 0x00, 0x00};
    // The status table's text colours; status 0 follows `text`.
    std::array<QColor, 8> statusText{};
    QFont schedule;
    QFont heading;
    QFont facts;

    PaneStyle();
    static PaneStyle fromSettings(const Settings& settings);
};

// The pane's scroll bar: the single view's counts weeks and moves the day,
// the others scroll the lines.
enum class PaneScroll { Weeks, Lines };

class DayPane : public QWidget {
    Q_OBJECT
public:
    explicit DayPane(QWidget* parent = nullptr);

    void setDisplay(const PaneDisplay& display) { display_ = display; }
    void setStyle(const PaneStyle& style);
    void setHideTest(HideTest hidden) { hidden_ = std::move(hidden); }
    void setScroll(PaneScroll scroll);
    void setCurrent(bool current);
    void setFramed(bool framed);

    // Reads and lays out the day, then keeps its lines.
    void showDay(Schedule& schedule, DayNumber day, const DayPaneMoment& moment, const RegionalSettings& regional);

    DayNumber day() const { return record_.day(); }
    QString heading() const;
    QString facts() const;
    // "start<TAB>text" per line, blanks run together, as a user reads them.
    QStringList lines() const;
    PaneRecord& record() { return record_; }
    const PaneRecord& record() const { return record_; }
    // Where line `line` is drawn, in pane coordinates; empty when not visible.
    QRect lineRect(int line) const;
    int headingHeight() const;
    QScrollBar& scrollBar() { return *scrollBar_; }
    // Shows the selection after the record changed it.
    void selectionChanged();

    // Dragging entries: allowed while the predicate says so (unset: never).
    // The pane that picked an entry up reports the drag by global position;
    // the pane under it shows where the entry would go.
    void setDragAllowed(std::function<bool()> allowed) { dragAllowed_ = std::move(allowed); }
    bool dragging() const { return dragging_; }
    // The drop place under a point of this pane, in its line area's terms.
    DropSpot dropSpotAt(QPoint position) const;
    void setDropMarker(std::optional<int> top);

signals:
    void pressed(zk::ItemHandle item, zk::HitPart part, Qt::KeyboardModifiers modifiers);
    void pressedEmpty();
    void doubleClicked(zk::ItemHandle item, zk::HitPart part);
    void doubleClickedEmpty();
    void rightPressed(zk::ItemHandle item, QPoint globalPosition);
    void weekScrolled(int position);
    void entryDragMoved(QPoint globalPosition);
    void entryDropped(zk::DraggedEntry entry, QPoint globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    PaneMetrics metricsFor(const QSize& size) const;
    void updateMetrics();
    void updateScrollBar();
    std::optional<PaneHit> hitAt(QPoint position) const;
    void paintHeading(QPainter& painter);
    void paintRow(QPainter& painter, const PaneRow& row, int top);
    void paintItemLine(QPainter& painter, const PaneLine& line, const QRect& rect, bool selected);
    void paintGapLine(QPainter& painter, const PaneLine& line, const QRect& rect);
    void paintTimeColumn(QPainter& painter, const QRect& rect, const std::string& time, const std::string& end,
                         const QColor& color);
    void paintMarks(QPainter& painter, const PaneLine& line, const QRect& rect);
    QColor textColor(const PaneLine& line) const;
    QFont lineFont(const PaneLine& line) const;
    int textLeft() const;
    QRect linesArea() const;

    PaneRecord record_;
    PaneDisplay display_;
    PaneStyle style_;
    QFontMetrics scheduleMetrics_{style_.schedule};
    int timeWidth_ = 0;
    HideTest hidden_;
    PaneScroll scroll_ = PaneScroll::Lines;
    QScrollBar* scrollBar_;
    DayNumber today_;
    bool current_ = false;
    bool framed_ = false;
    bool updatingScrollBar_ = false;
    // The entry under a left-button press, until the button is let go.
    std::optional<DraggedEntry> pressedEntry_;
    QPoint pressedAt_;
    bool dragging_ = false;
    std::function<bool()> dragAllowed_;
    std::optional<int> dropMarker_;
};

} // namespace zk
