#include "worktools/dialdesk.h"

#include "core/schedule.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/programlauncher.h"
#include "platform/settingstore.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"
#include "sharing/session.h"
#include "worktools/dialdialogs.h"
#include "worktools/model/telephone.h"

#include <cstring>

namespace zk {

const char* const kDialingText = "Dialing ";

DialDesk::DialDesk(DesktopApp& app, ProgramLauncher* launcher)
    : app_(app), ownLauncher_(launcher ? nullptr : std::make_unique<LinuxProgramLauncher>()),
      launcher_(launcher ? launcher : ownLauncher_.get())
{
}

DialDesk::~DialDesk() = default;

void DialDesk::install()
{
    CommandDispatcher& dispatcher = app_.commands().dispatcher();
    dispatcher.setHandler(kAutoDialCommand, [this](int) { openAutoDial(); });
    dispatcher.setHandler(kAreaCodesCommand, [this](int) { openAreaCodes(); });
}

std::filesystem::path DialDesk::areaCodeFile() const { return app_.settingStore().folder() / kAreaCodeFileName; }

std::string DialDesk::numberOfSelection()
{
    BackgroundWork::Hold hold = app_.backgroundWork().tryHold();
    if (!hold)
        return {};
    const ItemHandle item = app_.commands().selectedItem();
    const Schedule& s = app_.session().schedule();
    return item && s.items.isLive(item) ? numberFromText(s.description(item)) : std::string();
}

std::string DialDesk::areaLine(int code)
{
    if (!table_)
        table_ = readAreaCodes(areaCodeFile());
    if (!table_->problem.empty())
        return table_->problem;
    const AreaCode* area = table_->find(code);
    if (!area)
        return {};
    const LocalMoment now = app_.clock().localNow();
    return zk::areaLine(*area, now.timeValue(), -utcOffsetMinutes(now), app_.regional());
}

bool DialDesk::call(const std::string& number, bool show)
{
    return placeCall(*launcher_, app_.messages(), number, {show ? kDialingText : "", kDialErrorText});
}

void DialDesk::openAutoDial()
{
    const SettingStore& settings = app_.settingStore();
    AutoDialValues values;
    values.number = numberOfSelection();
    values.prefixes = {settings.string(kOutsidePrefixSetting), settings.string(kDistancePrefixSetting),
                       settings.string(kLocalAreaCodeSetting), settings.string(kInternationalPrefixSetting)};
    values.demonDial = demonDial_;
    table_.reset();
    AutoDialDialog dialog(values, [this](int code) { return areaLine(code); }, &app_.window());
    const bool accepted = dialog.exec() == QDialog::Accepted;
    table_.reset();
    if (!accepted)
        return;
    values = dialog.values();
    app_.settingStore().setValues({{kOutsidePrefixSetting, values.prefixes.outside},
                                   {kDistancePrefixSetting, values.prefixes.distance},
                                   {kLocalAreaCodeSetting, values.prefixes.localAreaCode},
                                   {kInternationalPrefixSetting, values.prefixes.international}});
    demonDial_ = values.demonDial;
    // An empty number dials nothing, whatever the prefixes.
    if (!dialog.call() || values.number.empty())
        return;
    const std::string dialled = dialledNumber(values.number, values.prefixes, *dialog.call());
    lastNumber_ = dialled;
    if (!call(dialled, true))
        demonDial_ = false;
}

void DialDesk::openAreaCodes()
{
    const std::filesystem::path file = areaCodeFile();
    AreaCodeTable table = readAreaCodes(file);
    if (!table.problem.empty() && !table.missing) {
        app_.messages().error(table.problem);
        return;
    }
    AreaCodesDialog dialog(table.codes, app_.messages(), &app_.window());
    if (dialog.exec() != QDialog::Accepted || dialog.codes() == table.codes)
        return;
    if (int error = writeAreaCodes(file, dialog.codes()); error != 0)
        app_.messages().error("The area codes could not be written to " + file.string() + ": " +
                              std::strerror(error) + ". The table was left as it was.");
}

// A redial that fails ends Demon Dial, or the failure would be shown every
// minute.
void DialDesk::minute()
{
    if (!demonDial_ || lastNumber_.empty() || app_.initialising())
        return;
    if (!call(lastNumber_, false))
        demonDial_ = false;
}

} // namespace zk
