#include "shell/mainwindow.h"

#include "views/daypane.h"

#include <QCloseEvent>
#include <QLabel>
#include <QStatusBar>

namespace zk {

namespace {
constexpr int kGeometrySettleMilliseconds = 300;
}

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), dayPane_(new DayPane(this)), status_(new QLabel(this)), geometrySettled_(new QTimer(this))
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
    setCentralWidget(dayPane_);
    status_->setObjectName("statusLine");
    statusBar()->addPermanentWidget(status_);
    resize(880, 620);
}

void MainWindow::setStatusText(const QString& text) { status_->setText(text); }
QString MainWindow::statusText() const { return status_->text(); }

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
