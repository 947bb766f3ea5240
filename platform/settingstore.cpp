#include "platform/settingstore.h"

#include "core/text.h"
#include "platform/paths.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace zk {

namespace {

constexpr std::size_t kMaxScheduleIniSize = 1024 * 1024;

std::optional<std::string> readSmallFile(const std::filesystem::path& path)
{
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxScheduleIniSize)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

SettingStore::SettingStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

SettingStore::SettingStore() : SettingStore(settingStoreFolder()) {}

void SettingStore::setScheduleFolder(std::filesystem::path folder)
{
    std::lock_guard lock(mutex_);
    scheduleFolder_ = std::move(folder);
    scheduleIni_.reset();
    loaded_ = false;
}

void SettingStore::reload()
{
    std::lock_guard lock(mutex_);
    loaded_ = false;
}

void SettingStore::loadIfNeeded() const
{
    if (loaded_)
        return;
    store_.load(folder_ / kStoreFileName);
    profile_.load(folder_ / "win.ini");
    scheduleIni_.reset();
    if (!scheduleFolder_.empty())
        scheduleIni_ = readSmallFile(scheduleFolder_ / "zk.ini");
    loaded_ = true;
}

std::optional<std::string> SettingStore::scheduleIniValue(std::string_view name) const
{
    if (!scheduleIni_)
        return std::nullopt;
    std::string key = caseFoldKey(std::string(name) + "=");
    std::string haystack = caseFoldKey(*scheduleIni_);
    auto at = haystack.find(key);
    if (at == std::string::npos)
        return std::nullopt;
    auto start = at + key.size();
    auto end = scheduleIni_->find_first_of("\r\n", start);
    return textFromStored(std::string_view(*scheduleIni_).substr(start, end == std::string::npos ? end : end - start));
}

std::optional<std::string> SettingStore::value(std::string_view name) const
{
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    if (auto v = store_.value(kSection, name))
        return v;
    if (auto v = profile_.value(kSection, name))
        return v;
    if (compareIgnoringCase(name, "DataFolder") != 0)
        return scheduleIniValue(name);
    return std::nullopt;
}

std::string SettingStore::string(std::string_view name, std::string_view fallback) const
{
    auto v = value(name);
    return v ? *v : std::string(fallback);
}

int SettingStore::integer(std::string_view name, int fallback) const
{
    auto v = value(name);
    return v && !v->empty() ? std::atoi(v->c_str()) : fallback;
}

long SettingStore::longInteger(std::string_view name, long fallback) const
{
    auto v = value(name);
    return v && !v->empty() ? std::atol(v->c_str()) : fallback;
}

double SettingStore::real(std::string_view name) const
{
    auto v = value(name);
    return v ? std::atof(v->c_str()) : 0.0;
}

std::optional<SettingRect> SettingStore::rect(std::string_view name) const
{
    auto v = value(name);
    SettingRect r;
    if (!v || std::sscanf(v->c_str(), "%d %d %d %d", &r.a, &r.b, &r.c, &r.d) != 4)
        return std::nullopt;
    return r;
}

void SettingStore::setValue(std::string_view name, std::string_view value)
{
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    if (store_.setValue(kSection, name, value))
        store_.save(folder_ / kStoreFileName);
}

void SettingStore::setValues(const std::vector<std::pair<std::string, std::string>>& values)
{
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    bool changed = false;
    for (const auto& [name, value] : values)
        changed |= store_.setValue(kSection, name, value);
    if (changed)
        store_.save(folder_ / kStoreFileName);
}

void SettingStore::setInteger(std::string_view name, long value) { setValue(name, std::to_string(value)); }

void SettingStore::setRect(std::string_view name, const SettingRect& r)
{
    char text[64];
    std::snprintf(text, sizeof text, "%d %d %d %d", r.a, r.b, r.c, r.d);
    setValue(name, text);
}

std::optional<std::string> SettingStore::profileString(std::string_view section, std::string_view name) const
{
    std::lock_guard lock(mutex_);
    loadIfNeeded();
    return profile_.value(section, name);
}

} // namespace zk
