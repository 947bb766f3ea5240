#pragma once
// The File menu's Transfer group and its neighbours: Export of today's
// schedule (23) or a range of schedules (22, with a date-range dialog), of
// the alphabetical items list (166), Import of pipeline lines (217 and 737)
// or of a tab-delimited file (738), a calendar file chosen there going to
// the calendar reader (shell/fileimport.h), View > Special > Current Export File
// (165, opened with the desktop's handler for text files) and the handheld
// exchange dialog (714).
//
// The file choosers and the range dialog are a seam: tests put scripted
// answers in their place, as the message boxes have a scripted presenter.

#ifndef Q_MOC_RUN
#include "core/daynumber.h"
#endif

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace zk {

class CommandDispatcher;
class DesktopApp;
class Schedule;
struct TextExportContext;

class ExchangeCommands {
public:
    struct FileRequest {
        std::string title;
        std::filesystem::path proposed;
        std::string filter;
        bool save = false;
    };
    struct Dialogs {
        // The file chosen; nothing when the user cancelled.
        std::function<std::optional<std::filesystem::path>(const FileRequest&)> chooseFile;
        // The first and last day; nothing on cancel.
        std::function<std::optional<std::pair<DayNumber, DayNumber>>(DayNumber viewed)> askRange;
    };

    explicit ExchangeCommands(DesktopApp& app);
    void install(CommandDispatcher& dispatcher);
    void setDialogs(Dialogs dialogs) { dialogs_ = std::move(dialogs); }

    // What each command does once its dialogs are answered; true when the
    // file was written or read.
    bool exportRange(DayNumber first, DayNumber last);
    bool exportItemsList();
    bool importPipelineFile();
    bool importTabFile();
    // Imports the file as it is, without a chooser: a calendar file by the
    // calendar reader, any other as pipeline lines or tab-delimited text.
    bool importFile(const std::filesystem::path& file, bool tabDelimited);
    void openExportFile();
    void openHandheldDialog();

private:
    std::filesystem::path folder() const;
    std::optional<std::filesystem::path> choose(FileRequest request);
    bool importText(bool tabDelimited);
    bool exportText(int view, const std::function<std::string(Schedule&, const TextExportContext&)>& make);

    DesktopApp& app_;
    Dialogs dialogs_;
    std::filesystem::path lastExport_;
};

} // namespace zk
