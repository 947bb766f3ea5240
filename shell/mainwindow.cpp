#include "shell/mainwindow.h"

#include "views/schedulesarea.h"

#include <QCloseEvent>

namespace zk {

namespace {
constexpr int kGeometrySettleMilliseconds = 300;
}

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), schedules_(new SchedulesArea(this)), geometrySettled_(new QTimer(this))
{
    // A drag moves the window many times a second; the settings are saved
    // once it rests.
    geometrySettled_->setSingleShot(true);
    geometrySettled_->setInterval(kGeometrySettleMilliseconds);
    connect(geometrySettled_, &QTimer::timeout, this, [this] {
        if (geometryChanged_)
            geometryChanged_();
    });
    setObjectName("Zelkon Main");
    setWindowTitle("Zelkon");
    setCentralWidget(schedules_);
    resize(880, 620);
}

DayPane& MainWindow::dayPane() { return schedules_->currentPane(); }
void MainWindow::setStatusText(const QString& text) { schedules_->setStatusText(text); }
QString MainWindow::statusText() const { return schedules_->statusText(); }

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!closeRequest_ || closeRequest_())
        event->accept();
    else
        event->ignore();
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && activated_)
        activated_();
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    geometrySettled_->start();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    geometrySettled_->start();
}

} // namespace zk
