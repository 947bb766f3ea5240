#pragma once
// Dialling from a desktop session: AutoDial (168, Shift+A, the toolbar's
// Dial button) opens its dialog on the number in the selected item's text,
// Area Codes (698) edits the table of area codes, and "Demon Dial" dials
// the last number again every minute until it is cleared. The prefixes are
// settings; the last number and Demon Dial last as long as the session.
//
// The area-code table is this user's own, "areacode.txt" in the setting
// store's folder (a program's folder is not the user's to write here).
//
// Runs on the user-interface thread.

#ifndef Q_MOC_RUN
#include "worktools/model/autodial.h"
#endif

#include <memory>
#include <string>

namespace zk {

class DesktopApp;
class ProgramLauncher;

inline constexpr int kAutoDialCommand = 168;
inline constexpr int kAreaCodesCommand = 698;

class DialDesk {
public:
    // Without a launcher given, the Linux one.
    explicit DialDesk(DesktopApp& app, ProgramLauncher* launcher = nullptr);
    ~DialDesk();
    DialDesk(const DialDesk&) = delete;
    DialDesk& operator=(const DialDesk&) = delete;

    void install();
    void openAutoDial();
    void openAreaCodes();
    // Demon Dial's redial.
    void minute();
    // Where calls go; tests give a scripted launcher.
    void setLauncher(ProgramLauncher& launcher) { launcher_ = &launcher; }

    const std::string& lastNumber() const { return lastNumber_; }
    bool demonDial() const { return demonDial_; }
    std::filesystem::path areaCodeFile() const;

private:
    std::string numberOfSelection();
    std::string areaLine(int code);
    bool call(const std::string& number, bool show);

    DesktopApp& app_;
    std::unique_ptr<ProgramLauncher> ownLauncher_;
    ProgramLauncher* launcher_;
    std::string lastNumber_;
    bool demonDial_ = false;
    // The table as last read, while a dialog is open.
    std::optional<AreaCodeTable> table_;
};

extern const char* const kDialingText;

} // namespace zk
