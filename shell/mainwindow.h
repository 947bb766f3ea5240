#pragma once
// The main window: the schedule pane of the viewed day and the status line.
// Closing it asks the session (the exit request); the window closes only
// when the session agrees.

#include <QMainWindow>
#include <QTimer>

#include <functional>

class QLabel;

namespace zk {

class DayPane;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    DayPane& dayPane() { return *dayPane_; }
    void setStatusText(const QString& text);
    QString statusText() const;

    // Asked when the user closes the window; true lets it close.
    void setCloseRequest(std::function<bool()> request) { closeRequest_ = std::move(request); }
    // Called once the window has stopped moving or resizing.
    void setGeometryChanged(std::function<void()> changed) { geometryChanged_ = std::move(changed); }
    // Called when the window becomes active.
    void setActivated(std::function<void()> activated) { activated_ = std::move(activated); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    DayPane* dayPane_;
    QLabel* status_;
    std::function<bool()> closeRequest_;
    std::function<void()> activated_;
    std::function<void()> geometryChanged_;
    QTimer* geometrySettled_;
};

} // namespace zk
