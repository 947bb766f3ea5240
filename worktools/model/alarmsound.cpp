#include "worktools/model/alarmsound.h"

#include "core/text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace zk {

const char* const kSoundNotFoundText = "Waveform file not found %s";

namespace {

bool isSoundFile(const std::filesystem::path& p)
{
    const std::string extension = caseFoldKey(p.extension().string());
    return extension == ".wav" || extension == ".oga";
}

} // namespace

std::filesystem::path systemSoundFolder()
{
    const char* folder = std::getenv("ZELKON_SOUND_DIR");
    return folder && *folder ? folder : "/usr/share/sounds";
}

AlarmSound alarmSoundOf(std::string_view value, const std::filesystem::path& soundFolder)
{
    value = trimBlanks(value);
    if (value.empty())
        return {};
    if (caseFoldKey(value) == kNoSoundChoice)
        return {AlarmSound::Kind::Silent, {}};
    std::filesystem::path file{std::string(value)};
    std::error_code error;
    if (std::filesystem::is_regular_file(file, error))
        return {AlarmSound::Kind::File, file};
    const std::filesystem::path name = file.filename();
    for (const std::filesystem::path& sound : systemSounds(soundFolder))
        if (sound.filename() == name)
            return {AlarmSound::Kind::File, sound};
    return {AlarmSound::Kind::Missing, file};
}

std::string soundNotFoundText(const std::filesystem::path& file)
{
    std::string text = kSoundNotFoundText;
    text.replace(text.find("%s"), 2, file.string());
    return text;
}

// An unreadable folder lists nothing: the beep and silence are still offered.
std::vector<std::filesystem::path> systemSounds(const std::filesystem::path& soundFolder)
{
    std::vector<std::filesystem::path> sounds;
    std::error_code error;
    auto options = std::filesystem::directory_options::skip_permission_denied;
    for (auto it = std::filesystem::recursive_directory_iterator(soundFolder, options, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        if (it->is_regular_file(error) && isSoundFile(it->path()))
            sounds.push_back(it->path());
    std::sort(sounds.begin(), sounds.end());
    return sounds;
}

std::string soundValueOf(std::string_view choice)
{
    if (choice == kBeepChoice)
        return {};
    return std::string(choice);
}

std::string soundChoiceOf(std::string_view value)
{
    value = trimBlanks(value);
    if (value.empty())
        return kBeepChoice;
    if (caseFoldKey(value) == kNoSoundChoice)
        return kNoSoundChoice;
    return std::string(value);
}

std::optional<std::string> chimeName(TimeValue now)
{
    const int minute = now.minutes() % 60;
    if (now.isNone() || minute % 5 != 0)
        return std::nullopt;
    char name[16];
    std::snprintf(name, sizeof name, "chimes%02d.wav", minute);
    return name;
}

std::string fullHourChime() { return *chimeName(TimeValue::fromClock(0, 0)); }

std::optional<std::filesystem::path> findChime(const std::string& name, const std::filesystem::path& scheduleFolder,
                                               const std::filesystem::path& soundFolder)
{
    std::error_code error;
    if (std::filesystem::is_regular_file(scheduleFolder / name, error))
        return scheduleFolder / name;
    for (const std::filesystem::path& sound : systemSounds(soundFolder))
        if (sound.filename() == name)
            return sound;
    return std::nullopt;
}

} // namespace zk
