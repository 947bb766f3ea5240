#include "shell/mainwindow.h"

#include "views/schedulesarea.h"

#include <QCloseEvent>

namespace zk {

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), schedules_(new SchedulesArea(this))
{
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

} // namespace zk
