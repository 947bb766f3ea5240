#pragma once
// Which data file a desktop session works on: the command line names a data
// file or a folder; without one the DataFolder setting, else the default
// schedule folder, names the folder.
//
// Rules of dataFileFromCommandLine():
//  - The command line is cut to 254 bytes and loses its trailing blanks.
//  - A name must be sensible: no control characters, and not only
//    separators. Otherwise kInvalidFileNameText and no data file.
//  - An existing folder, or a name whose last part has no dot after its
//    first character, is a folder: "timedata.pak" in it. Any other name is a
//    data file; a name ending in '.' gets "pak" appended.
//  - A DataFolder setting that is relative or only separators is reported
//    (kInvalidDataFolderText) and the default folder used.
//  - The result is an absolute, lexically normal path.
//
// settleScheduleFolder() then fixes the folder for the whole session: the
// folder of the data file, created when it is the default one, or, after
// the user agreed, the default folder instead of one that is not there.
// The data file is always the folder's "timedata.pak" afterwards, whatever
// name the command line gave.

#include "storage/recovery.h"

#include <filesystem>
#include <optional>
#include <string>

namespace zk {

class Messages;

struct DataFileChoice {
    std::filesystem::path dataFile;  // empty when the command line was refused
    PathGiven given = PathGiven::No;
};

// `dataFolderSetting` is the DataFolder value, when set.
DataFileChoice dataFileFromCommandLine(std::string commandLine, const std::optional<std::string>& dataFolderSetting,
                                       const std::filesystem::path& defaultFolder, Messages& messages);

// The schedule folder, or nothing when there is none to work in (the
// reason was shown).
std::optional<std::filesystem::path> settleScheduleFolder(const std::filesystem::path& dataFile,
                                                          const std::filesystem::path& defaultFolder,
                                                          Messages& messages);

extern const char* const kInvalidFileNameText;
extern const char* const kInvalidDataFolderText;    // printf form, the value
extern const char* const kFolderInaccessibleText;   // printf form, the folder
extern const char* const kUnableToCreateFolderText; // printf form, the folder

} // namespace zk
