#pragma once
// The alarm sound setting ("alarm" in the setting store) and the sounds the
// Set Alarm Sound dialog offers.
//
// The value: empty = the system beep ("beep (no sound card)"), "none" (any
// case) = silent, otherwise a sound file. A file that is not there is
// looked up by name among the system's sounds (the freedesktop sound theme
// under /usr/share/sounds).

#include "core/daynumber.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

inline constexpr const char* kAlarmSoundSetting = "alarm";
inline constexpr const char* kPagerNumberSetting = "PagerNumber";
inline constexpr const char* kNoSoundChoice = "none";
inline constexpr const char* kBeepChoice = "beep (no sound card)";

extern const char* const kSoundNotFoundText;  // "Waveform file not found %s"

struct AlarmSound {
    enum class Kind { Beep, Silent, File, Missing } kind = Kind::Beep;
    std::filesystem::path file;  // File: what to play; Missing: what was asked for
};

// Where the system's sounds are; ZELKON_SOUND_DIR replaces it for tests.
std::filesystem::path systemSoundFolder();

// The sound a setting value plays.
AlarmSound alarmSoundOf(std::string_view value, const std::filesystem::path& soundFolder);
// "Waveform file not found <file>".
std::string soundNotFoundText(const std::filesystem::path& file);

// The dialog's list: "none", "beep (no sound card)", then every .wav and
// .oga file under the folder, by path. The first two store "none" and "".
std::vector<std::filesystem::path> systemSounds(const std::filesystem::path& soundFolder);
// The value a choice of the list stores.
std::string soundValueOf(std::string_view choice);
// The choice that shows a value (an empty value shows the beep).
std::string soundChoiceOf(std::string_view value);

// Chimes: every five minutes the file "chimesMM.wav" of the minute past
// the hour (chimes00.wav at the full hour, chimes15.wav at the quarter),
// when there is one. The name to play at `now`, or none.
std::optional<std::string> chimeName(TimeValue now);
// The full hour's chime, which also plays at sunrise and sunset.
std::string fullHourChime();
// Where a chime file is: the schedule folder, else among the system's sounds.
std::optional<std::filesystem::path> findChime(const std::string& name, const std::filesystem::path& scheduleFolder,
                                               const std::filesystem::path& soundFolder);

} // namespace zk
