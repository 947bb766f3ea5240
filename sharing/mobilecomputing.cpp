#include "sharing/mobilecomputing.h"

#include "core/schedule.h"
#include "platform/messages.h"
#include "sharing/session.h"
#include "storage/datafile.h"
#include "storage/datafileset.h"
#include "storage/schedulefilecopy.h"

#include <cstdio>
#include <cstring>

namespace zk {

const char* const kCheckOutCaption = "Mobile Computing: Check Out. Select destination folder";
const char* const kCheckInCaption = "Mobile Computing: Check In. Select source folder";
const char* const kInsertDiskText = "Insert Disk #%d";
const char* const kNotCheckedOutText = "You're not checked out. Are you sure you want to overwrite your files?";
const char* const kInsertNextDiskText = "Insert next disk to Check in.";
const char* const kMainDriveFullText =
    "Insufficient disk space on main drive. Free some space, and try Check In again.";
const char* const kCheckInOfferText =
    "You are checked-out. Check-in before making changes. Would you like to check-in now?";
const char* const kSameFolderText = "%s is the schedule folder itself. Choose another folder.";
const char* const kNoScheduleInFolderText = "%s holds no schedule to check in. Nothing was copied.";
const char* const kUnreadableScheduleText = "The schedule in %s cannot be read. Nothing was copied.";
const char* const kCopyFailedText = "%s could not be copied: %s.";
const char* const kCopyingText = "copying %s...";

namespace {

bool sameFolder(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

std::string withName(const char* format, const std::string& name)
{
    return textWithPath(format, std::filesystem::path(name));
}

std::string copyFailure(const FileSetCopyResult& result)
{
    const char* reason = std::strerror(result.error);
    int n = std::snprintf(nullptr, 0, kCopyFailedText, result.failedName.c_str(), reason);
    std::string text(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, kCopyFailedText, result.failedName.c_str(), reason);
    return text;
}

FileSetCopyHooks copyHooks(const MobileHooks& hooks)
{
    FileSetCopyHooks copy;
    copy.write = hooks.write;
    if (hooks.progress)
        copy.progress = [&hooks](const std::string& name) { hooks.progress(withName(kCopyingText, name)); };
    return copy;
}

void endProgress(const MobileHooks& hooks)
{
    if (hooks.progress)
        hooks.progress({});
}

// The mark is cleared under change access, which a save may have given back.
void clearMark(Session& session)
{
    if (!session.access().requestChangeAccess())
        return;
    Schedule& schedule = session.schedule();
    setCheckedOut(schedule.header, false);
    schedule.dirty = true;
}

} // namespace

MobileOutcome checkOutTo(Session& session, const std::filesystem::path& folder, const MobileHooks& hooks)
{
    Messages& messages = session.messages();
    const std::filesystem::path home = session.files().folder();
    if (sameFolder(folder, home)) {
        messages.error(textWithPath(kSameFolderText, folder));
        return MobileOutcome::Failed;
    }
    Schedule& schedule = session.schedule();
    setCheckedOut(schedule.header, true);
    schedule.dirty = true;
    if (hooks.beforeCopyOut)
        hooks.beforeCopyOut();
    if (!session.save().ok()) {
        clearMark(session);
        return MobileOutcome::Failed;
    }
    FileSetCopyHooks copy = copyHooks(hooks);
    std::filesystem::path last = folder;
    copy.nextTarget = [&](int disk) -> std::optional<std::filesystem::path> {
        char caption[64];
        std::snprintf(caption, sizeof caption, kInsertDiskText, disk);
        std::optional<std::filesystem::path> next = hooks.chooseFolder ? hooks.chooseFolder(last, caption) : std::nullopt;
        if (next)
            last = *next;
        return next;
    };
    FileSetCopyResult result = copyScheduleFiles(home, folder, copy);
    endProgress(hooks);
    if (result.ok())
        return MobileOutcome::Done;
    if (result.status == FileSetCopyStatus::Failed)
        messages.error(copyFailure(result));
    clearMark(session);
    return result.status == FileSetCopyStatus::Stopped ? MobileOutcome::Cancelled : MobileOutcome::Failed;
}

MobileOutcome checkInFrom(Session& session, const std::filesystem::path& from, const MobileHooks& hooks)
{
    Messages& messages = session.messages();
    const std::filesystem::path home = session.files().folder();
    if (sameFolder(from, home)) {
        messages.error(textWithPath(kSameFolderText, from));
        return MobileOutcome::Failed;
    }
    // The data file comes first in the set: the first folder must hold one
    // that loads, or the schedule here would be replaced by nothing usable.
    std::optional<std::string> dataName = findInFolder(from, kDataFileName);
    if (!dataName) {
        messages.error(textWithPath(kNoScheduleInFolderText, from));
        return MobileOutcome::Failed;
    }
    LoadOptions probe;
    probe.clock = &session.clock();
    if (!loadDataFile(from / *dataName, probe)) {
        messages.error(textWithPath(kUnreadableScheduleText, from));
        return MobileOutcome::Failed;
    }
    FileSetCopyHooks copy = copyHooks(hooks);
    copy.nextTarget = [&](int) -> std::optional<std::filesystem::path> {
        messages.error(kMainDriveFullText);
        return std::nullopt;
    };
    bool dataCopied = false;
    bool complete = false;
    MobileOutcome outcome = MobileOutcome::Done;
    for (std::filesystem::path folder = from;;) {
        FileSetCopyResult result = copyScheduleFiles(folder, home, copy);
        dataCopied = dataCopied || result.copiedFile(kDataFileName);
        if (result.status == FileSetCopyStatus::Failed)
            messages.error(copyFailure(result));
        if (!result.ok()) {
            outcome = MobileOutcome::Failed;
            break;
        }
        if (result.copiedFile(kStatusTablePattern)) {
            complete = true;
            break;
        }
        std::optional<std::filesystem::path> next =
            hooks.chooseFolder ? hooks.chooseFolder(folder, kInsertNextDiskText) : std::nullopt;
        if (!next) {
            outcome = MobileOutcome::Cancelled;
            break;
        }
        folder = *next;
    }
    endProgress(hooks);
    // What is on the disk now is what the session works on: a later save
    // of the schedule in memory would otherwise put the old one back.
    if (dataCopied) {
        session.access().markDataStale();
        session.access().reloadIfChanged();
    }
    if (complete)
        clearMark(session);
    return outcome;
}

} // namespace zk
