#pragma once
// The pane of a list view: the view's title above one line per listed item,
// the prefix drawn as a column and the rest beside it, in the item's status
// colour (underlined for key items, struck out and greyed for done ones).
// Up and Down move the selection, Page Up and Page Down page, Ctrl+Home and
// Ctrl+End go to the ends, the wheel and the scroll bar scroll, Enter and a
// double-click open the selected item, the right button asks for its status
// menu.
//
// The pane never holds the schedule. Its owner gives it the listed items
// (setList, while it owns the schedule) and the text of the lines it shows
// (fillVisible); a line scrolled into view without its text asks for it
// with linesWanted, so only visible lines are ever built.

#ifndef Q_MOC_RUN
#include "shell/model/listviews.h"
#endif
#include "views/daypane.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace zk {

class EdgeScrollBar;

class ListPane : public QWidget {
    Q_OBJECT
public:
    explicit ListPane(QWidget* parent = nullptr);

    void setStyle(const PaneStyle& style);
    // A new list; the selected item stays selected when it is still listed.
    void setList(int view, std::vector<ItemHandle> items, const QString& title);
    // Builds the missing lines of the rows now visible.
    void fillVisible(const std::function<ListLine(ItemHandle)>& build);

    int view() const { return view_; }
    QString title() const { return title_; }
    int itemCount() const { return static_cast<int>(items_.size()); }
    const std::vector<ItemHandle>& items() const { return items_; }
    std::optional<int> selectedIndex() const { return selected_; }
    ItemHandle selectedItem() const;
    bool select(int index);
    bool selectItem(ItemHandle item);
    int firstVisible() const { return first_; }
    int linesPerPage() const;
    // Too many rows for the line table: the pane shows kTooManyLinesText.
    bool tooManyLines() const;
    // The visible lines as drawn (prefix and rest), for tests and copying.
    QStringList visibleLines() const;

    // The pane commands of the schedule panes, by number (7, 8, 27, 28, 161,
    // 162, 293, 294); false when nothing moved.
    bool command(int paneCommand);

signals:
    void linesWanted();
    void openRequested(zk::ItemHandle item);
    void selectionChanged(zk::ItemHandle item);
    void statusMenuRequested(zk::ItemHandle item, QPoint globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int lineHeight() const;
    int titleHeight() const;
    int prefixWidth() const;
    std::optional<int> indexAt(QPoint position) const;
    void scrollTo(int first);
    void keepSelectionVisible();
    void updateScrollBar();
    bool missingVisibleLines() const;

    PaneStyle style_;
    int view_ = 0;
    QString title_;
    std::vector<ItemHandle> items_;
    std::unordered_map<int, ListLine> lines_;  // built lines by index
    std::optional<int> selected_;
    int first_ = 0;
    EdgeScrollBar* scrollBar_;
};

} // namespace zk
