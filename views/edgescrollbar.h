#pragma once
// The vertical scroll bar of a painted view (the list pane, the small month
// calendar): along the owner's right edge below its heading, placed again
// by the owner whenever its size or heading changes.

#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

namespace zk {

class EdgeScrollBar : public QScrollBar {
public:
    explicit EdgeScrollBar(QWidget* owner) : QScrollBar(Qt::Vertical, owner) {}

    // From `top` down to the owner's bottom.
    void place(int top)
    {
        const QWidget* owner = parentWidget();
        const int barWidth = sizeHint().width();
        setGeometry(owner->width() - barWidth, top, barWidth, std::max(0, owner->height() - top));
    }
    // The owner already moved there: the bar only follows, without telling.
    void follow(int value)
    {
        const QSignalBlocker quiet(this);
        setValue(value);
    }
};

} // namespace zk
