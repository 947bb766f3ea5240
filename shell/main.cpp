// zelkon: the desktop program. The command line names the data file or the
// schedule folder; without one the DataFolder setting or the default
// schedule folder is used.

#include "buildpaths.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/version.h"
#include "platform/settingstore.h"
#include "shell/desktopapp.h"
#include "shell/fileimport.h"
#include "shell/mainwindow.h"
#include "shell/messagebox.h"
#include "shell/stopsignals.h"
#include "storage/datafileset.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QSessionManager>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <string_view>

namespace {

std::filesystem::path programFolder()
{
    return zk::programDataFolder(QCoreApplication::applicationDirPath().toStdString(), ZELKON_BUILD_DIR,
                                 ZELKON_RESOURCE_DIR, zk::kSampleFileName);
}

// --help and --version answer before any window or display is needed.
std::optional<int> answerInformationOption(int argc, char** argv)
{
    if (argc != 2)
        return std::nullopt;
    const std::string_view option = argv[1];
    if (option == "--version") {
        std::printf("zelkon %s\n", zk::versionText().c_str());
        return 0;
    }
    if (option == "--help" || option == "-h") {
        std::printf("usage: zelkon [FOLDER | FILE.pak | FILE.ics]\n\n"
                    "Works on the schedule in FOLDER, or in the folder that holds FILE.pak;\n"
                    "without one, on the DataFolder setting or the default schedule folder.\n"
                    "FILE.ics is imported into that schedule once it has loaded.\n"
                    "See zelkon(1).\n");
        return 0;
    }
    return std::nullopt;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    return QIcon::fromTheme(QStringLiteral("zelkon"), icon);
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
    if (std::optional<int> answered = answerInformationOption(argc, argv))
        return *answered;
    QApplication application(argc, argv);
    QApplication::setApplicationName("Zelkon");
    QApplication::setDesktopFileName(QStringLiteral("zelkon"));
    QApplication::setWindowIcon(programIcon());
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
    // A calendar file given by the desktop's "open with" is imported into
    // the usual schedule once it has loaded.
    const std::string given = commandLine();
    const bool calendarFile = given.size() > 4 && QString::fromStdString(given).endsWith(".ics", Qt::CaseInsensitive);
    if (std::optional<int> early = session.start({calendarFile ? std::string() : given, programFolder()}))
        return *early;
    if (calendarFile) {
        auto* waiting = new QTimer(&session);
        QObject::connect(waiting, &QTimer::timeout, &session, [&session, waiting, given] {
            if (session.initialising())
                return;
            waiting->stop();
            waiting->deleteLater();
            if (!session.startupFailed())
                zk::importFiles(session, {QString::fromStdString(given)});
        });
        waiting->start(200);
    }
    presenter.setParent(&session.window());
    return application.exec();
}
