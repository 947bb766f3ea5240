#include "shell/datafoldercommands.h"

#include "platform/paths.h"
#include "sharing/session.h"
#include "sharing/workgroup.h"
#include "shell/desktopapp.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"
#include "shell/model/datafilepath.h"

#include <QCoreApplication>
#include <QProcess>

namespace zk {

namespace {

// The program file itself, so the new session is the same build as this one.
void startProgramOn(const std::filesystem::path& folder)
{
    QProcess::startDetached(QCoreApplication::applicationFilePath(), {QString::fromStdString(folder.string())});
}

} // namespace

DataFolderCommands::DataFolderCommands(DesktopApp& app)
    : app_(app),
      chooser_([&app](const std::filesystem::path& start, const QString& title) {
          return askForFolder(&app.window(), start, title);
      }),
      launcher_(startProgramOn)
{
}

void DataFolderCommands::install(CommandDispatcher& dispatcher)
{
    for (int command : {DataFolderCommand::dataFile, DataFolderCommand::exeFolder})
        dispatcher.setHandler(command, [this](int c) { nameDataFolder(c); });
}

void DataFolderCommands::nameDataFolder(int command)
{
    const std::filesystem::path current = app_.session().files().folder();
    const std::filesystem::path start = command == DataFolderCommand::exeFolder
                                            ? std::filesystem::path(QCoreApplication::applicationDirPath().toStdString())
                                            : current;
    const std::optional<std::filesystem::path> chosen = chooser_(start, QStringLiteral("Data Folder"));
    if (!chosen)
        return;
    // The rules of a folder named on the command line: a refused name is
    // reported there.
    const DataFileChoice choice = dataFileFromCommandLine(chosen->string(), std::nullopt, defaultScheduleFolder(),
                                                          app_.messages());
    if (choice.dataFile.empty())
        return;
    const std::filesystem::path folder = choice.dataFile.parent_path();
    if (sameFolder(folder, current))
        return;
    // Closing asks what Exit asks; a session that stays open is not
    // started a second time.
    if (app_.window().close())
        launcher_(folder);
}

} // namespace zk
