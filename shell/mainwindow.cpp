#include "shell/mainwindow.h"

#include "views/monthview.h"
#include "views/schedulesarea.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWindowStateChangeEvent>

namespace zk {

namespace {
constexpr int kGeometrySettleMilliseconds = 300;
}

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), schedules_(new SchedulesArea(this)), month_(new MonthView(this)),
      views_(new QStackedWidget(this)), geometrySettled_(new QTimer(this))
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
    views_->addWidget(schedules_);
    views_->addWidget(month_);
    setCentralWidget(views_);
    resize(880, 620);
}

DayPane& MainWindow::dayPane() { return schedules_->currentPane(); }
void MainWindow::setStatusText(const QString& text)
{
    schedules_->setStatusText(text);
    month_->setStatusText(text);
}

void MainWindow::showMonthView(bool shown) { views_->setCurrentWidget(shown ? static_cast<QWidget*>(month_) : schedules_); }
bool MainWindow::monthViewShown() const { return views_->currentWidget() == month_; }
QString MainWindow::statusText() const { return schedules_->statusText(); }

void MainWindow::setFilesDropped(std::function<void(const QStringList&)> dropped)
{
    filesDropped_ = std::move(dropped);
    setAcceptDrops(filesDropped_ != nullptr);
}

namespace {

QStringList localFilesOf(const QMimeData* data)
{
    QStringList files;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                files << url.toLocalFile();
    return files;
}

} // namespace

// Entries dragged inside the schedules area are that area's own; only
// files from outside are taken here.
void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (filesDropped_ && !localFilesOf(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (filesDropped_ && !localFilesOf(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QStringList files = localFilesOf(event->mimeData());
    if (!filesDropped_ || files.isEmpty())
        return;
    event->acceptProposedAction();
    filesDropped_(files);
}

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
    if (event->type() == QEvent::WindowStateChange && maximised_ && isMaximized()
        && !(static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMaximized))
        maximised_();
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
