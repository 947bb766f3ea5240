#include "shell/accesspendingwindow.h"

#include "sharing/changeaccess.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace zk {

AccessPendingWindow::AccessPendingWindow(QWidget& mainWindow, const std::string& userName,
                                         std::function<void()> cancel)
    : QWidget(&mainWindow, Qt::Tool)
{
    setWindowTitle(QStringLiteral("Zelkon"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromStdString(userName), this));
    layout->addWidget(new QLabel(QString::fromUtf8(kAccessPendingText), this));
    auto* buttons = new QHBoxLayout;
    auto* switchWindow = new QPushButton(QStringLiteral("&Switch Window"), this);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(switchWindow);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);
    connect(switchWindow, &QPushButton::clicked, this, [&mainWindow] {
        mainWindow.raise();
        mainWindow.activateWindow();
    });
    connect(cancelButton, &QPushButton::clicked, this, [this, cancel = std::move(cancel)] {
        hide();
        if (cancel)
            cancel();
    });
}

void attachAccessPendingWindow(ChangeAccessHooks& hooks, QObject& context, std::function<QWidget*()> mainWindow,
                               std::string userName, std::function<void()> cancel)
{
    auto onContext = [&context](std::function<void()> step) {
        if (QThread::currentThread() == context.thread())
            step();
        else
            QMetaObject::invokeMethod(&context, std::move(step), Qt::QueuedConnection);
    };
    // Made the first time it opens; the main window owns it.
    auto window = [mainWindow, userName, cancel]() -> AccessPendingWindow* {
        QWidget* main = mainWindow();
        if (!main)
            return nullptr;
        if (auto* w = main->findChild<AccessPendingWindow*>(QString(), Qt::FindDirectChildrenOnly))
            return w;
        return new AccessPendingWindow(*main, userName, cancel);
    };
    hooks.openPendingWindow = [onContext, window] {
        onContext([window] {
            if (AccessPendingWindow* w = window()) {
                w->show();
                w->raise();
            }
        });
        return true;
    };
    hooks.closePendingWindow = [onContext, mainWindow] {
        onContext([mainWindow] {
            if (QWidget* main = mainWindow())
                if (auto* w = main->findChild<AccessPendingWindow*>(QString(), Qt::FindDirectChildrenOnly))
                    w->hide();
        });
    };
    hooks.focusPendingWindow = [onContext, window] {
        onContext([window] {
            QApplication::beep();
            if (AccessPendingWindow* w = window()) {
                w->raise();
                w->activateWindow();
            }
        });
    };
}

} // namespace zk
