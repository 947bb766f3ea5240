#pragma once
// The setting store: named string values of this user's preferences.
//
// Reading a name looks, in order, at
//   1. the user's own store, "Zelkon.ini" in the setting store folder,
//      section [Zelkon] (where every write goes);
//   2. the profile, "win.ini" beside it, section [Zelkon];
//   3. except for DataFolder, "zk.ini" in the schedule folder: the first
//      place where "<name>=" occurs, compared without regard to case, up to
//      the end of that line;
//   4. the caller's default.
// Files are read once and cached; reload() reads them again. Writes that
// fail are ignored, as a preference that cannot be stored is not worth
// interrupting the user for. Safe to use from several threads.

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/inifile.h"

namespace zk {

struct SettingRect {
    int a = 0, b = 0, c = 0, d = 0;  // left top right bottom, or x y width height
    friend bool operator==(const SettingRect&, const SettingRect&) = default;
};

class SettingStore {
public:
    static constexpr const char* kStoreFileName = "Zelkon.ini";
    static constexpr const char* kSection = "Zelkon";

    // The folder holding Zelkon.ini and win.ini (default settingStoreFolder()).
    explicit SettingStore(std::filesystem::path folder);
    SettingStore();

    void setScheduleFolder(std::filesystem::path folder);
    void reload();

    std::optional<std::string> value(std::string_view name) const;
    std::string string(std::string_view name, std::string_view fallback = {}) const;
    // atoi-like: the leading integer; the default when missing or empty.
    int integer(std::string_view name, int fallback) const;
    long longInteger(std::string_view name, long fallback) const;
    double real(std::string_view name) const;  // 0.0 when missing
    std::optional<SettingRect> rect(std::string_view name) const;

    void setValue(std::string_view name, std::string_view value);
    // Several values with one write of the file, for saves of many values.
    void setValues(const std::vector<std::pair<std::string, std::string>>& values);
    void setInteger(std::string_view name, long value);
    void setRect(std::string_view name, const SettingRect& r);

    // A profile string from any section of win.ini ("intl", "Extensions").
    std::optional<std::string> profileString(std::string_view section, std::string_view name) const;

    const std::filesystem::path& folder() const { return folder_; }

private:
    void loadIfNeeded() const;
    std::optional<std::string> scheduleIniValue(std::string_view name) const;

    std::filesystem::path folder_;
    std::filesystem::path scheduleFolder_;
    mutable std::mutex mutex_;
    mutable bool loaded_ = false;
    mutable IniFile store_;
    mutable IniFile profile_;
    mutable std::optional<std::string> scheduleIni_;
};

} // namespace zk
