// zelkon: the desktop program. The command line names the data file or the
// schedule folder; without one the DataFolder setting or the default
// schedule folder is used.

#include "buildpaths.h"
#include "platform/clock.h"
#include "platform/settingstore.h"
#include "shell/desktopapp.h"
#include "shell/mainwindow.h"
#include "shell/messagebox.h"
#include "shell/stopsignals.h"
#include "storage/datafileset.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSessionManager>
#include <QStringList>
#include <QTimer>

namespace {

// SAMPLE.DTA lies beside the installed program; a program run from the
// build tree finds it among the sources.
std::filesystem::path programFolder()
{
    QString beside = QCoreApplication::applicationDirPath();
    if (QFileInfo::exists(QDir(beside).filePath(zk::kSampleFileName)))
        return beside.toStdString();
    return ZELKON_RESOURCE_DIR;
}

std::string commandLine()
{
    QStringList words = QCoreApplication::arguments();
    words.removeFirst();
    return words.join(' ').toStdString();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("Zelkon");
    QApplication::setQuitOnLastWindowClosed(false);

    std::unique_ptr<zk::Clock> clock = zk::clockFromEnvironment();
    zk::MessageBoxPresenter presenter;
    zk::installFaultBox(presenter);
    zk::SettingStore settings;
    zk::DesktopApp session(*clock, presenter, settings);
    QObject::connect(&session, &zk::DesktopApp::finished, &application, &QCoreApplication::exit);
    // Logging out asks as closing the window does.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, [&session](QSessionManager& manager) {
        if (!session.exitRequest())
            manager.cancel();
    });

    // Before anything can ask: a question box must not keep a logout or a
    // service manager waiting.
    zk::onStopSignal([&session, &presenter] {
        presenter.stop();
        QTimer::singleShot(0, &session, &zk::DesktopApp::stopForSignal);
    });
    if (std::optional<int> early = session.start({commandLine(), programFolder()}))
        return *early;
    presenter.setParent(&session.window());
    return application.exec();
}
