#pragma once
// The main window: the schedules area (its caption is the status text).
// Closing it asks the session (the exit request); the window closes only
// when the session agrees.

#include <QMainWindow>
#include <QStackedWidget>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace zk {

class DayPane;
class MonthView;
class SchedulesArea;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    SchedulesArea& schedulesArea() { return *schedules_; }
    MonthView& monthView() { return *month_; }
    // The month view in place of the schedules area, or back.
    void showMonthView(bool shown);
    bool monthViewShown() const;
    // The current pane.
    DayPane& dayPane();
    void setStatusText(const QString& text);
    QString statusText() const;

    // Asked when the user closes the window; true lets it close.
    void setCloseRequest(std::function<bool()> request) { closeRequest_ = std::move(request); }
    // Called once the window has stopped moving or resizing.
    void setGeometryChanged(std::function<void()> changed) { geometryChanged_ = std::move(changed); }
    // Called when the window becomes active.
    void setActivated(std::function<void()> activated) { activated_ = std::move(activated); }
    // Called when the window has been maximised.
    void setMaximisedChanged(std::function<void()> maximised) { maximised_ = std::move(maximised); }
    // Files dropped on the window from a file manager are handed here (the
    // window accepts such drops once it is set).
    void setFilesDropped(std::function<void(const QStringList&)> dropped);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    SchedulesArea* schedules_;
    MonthView* month_;
    QStackedWidget* views_;
    std::function<bool()> closeRequest_;
    std::function<void()> activated_;
    std::function<void()> maximised_;
    std::function<void()> geometryChanged_;
    std::function<void(const QStringList&)> filesDropped_;
    QTimer* geometrySettled_;
};

} // namespace zk
