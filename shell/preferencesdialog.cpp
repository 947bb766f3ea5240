#include "shell/preferencesdialog.h"

#include "engine/interfacemode.h"
#include "shell/model/autostart.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zk {

namespace {

QString controlName(int id) { return QStringLiteral("pref%1").arg(id); }

constexpr const char* kProFeaturesText =
    "PRO adds to the LITE schedule:\n\n"
    "- the Priority List of floating tasks, with Marvals\n"
    "- started items and carry-over of undone items\n"
    "- workload balancing across days\n"
    "- free gaps between items, with opportunity costs\n"
    "- the full set of menus and keys";

} // namespace

PreferencesDialog::PreferencesDialog(Settings& settings, SettingStore& store, HeaderAccess header, QWidget* parent)
    : QDialog(parent), settings_(settings), store_(store), header_(std::move(header)),
      program_(QCoreApplication::applicationFilePath().toStdString())
{
    setObjectName(QStringLiteral("PREFERENCES"));
    setWindowTitle(QStringLiteral("Preferences"));

    auto* columns = new QHBoxLayout;
    // Built column by column, top to bottom, so the tab order reads the same way.
    for (auto build : {&PreferencesDialog::buildInterfaceColumn, &PreferencesDialog::buildSchedulingColumn,
                       &PreferencesDialog::buildViewsColumn, &PreferencesDialog::buildAlarmsColumn}) {
        auto* column = new QVBoxLayout;
        (this->*build)(column);
        column->addStretch(1);
        columns->addLayout(column);
    }

    auto* buttons = new QDialogButtonBox;
    QPushButton* close = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::AcceptRole);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);
    load();
}

// --- building -----------------------------------------------------------------------

QBoxLayout* PreferencesDialog::addGroup(QBoxLayout* column, const QString& title)
{
    auto* box = new QGroupBox(title);
    auto* group = new QVBoxLayout(box);
    group->setSpacing(2);
    column->addWidget(box);
    return group;
}

QAbstractButton* PreferencesDialog::addCheck(QBoxLayout* group, int id, const char* caption,
                                             std::function<bool()> isOn, std::function<void(bool)> store)
{
    auto* box = new QCheckBox(QString::fromUtf8(caption));
    box->setObjectName(controlName(id));
    controls_[id] = box;
    group->addWidget(box);
    connect(box, &QCheckBox::clicked, this, [store = std::move(store)](bool on) { store(on); });
    toggles_.push_back({box, std::move(isOn)});
    return box;
}

void PreferencesDialog::addSetting(QBoxLayout* group, int id, const char* caption, IntSetting setting)
{
    addCheck(group, id, caption, [this, setting] { return settings_.isOn(setting); },
             [this, setting](bool on) {
                 settings_.setOn(setting, on);
                 emit settingChanged();
             });
}

void PreferencesDialog::addSettings(QBoxLayout* group, std::initializer_list<Labelled<IntSetting>> boxes)
{
    for (const auto& b : boxes)
        addSetting(group, b.id, b.caption, b.what);
}

void PreferencesDialog::addOptions(QBoxLayout* group, std::initializer_list<Labelled<HeaderOption>> boxes)
{
    for (const auto& b : boxes)
        addOption(group, b.id, b.caption, b.what);
}

void PreferencesDialog::addOption(QBoxLayout* group, int id, const char* caption, HeaderOption option)
{
    addCheck(group, id, caption, [this, option] { return headerOption(header_(), option); },
             [this, option](bool on) {
                 setHeaderOption(header_(), option, on);
                 emit headerChanged();
                 emit settingChanged();
             });
}

void PreferencesDialog::addRowFlag(QBoxLayout* group, int id, const char* caption, int UserWindowRow::*field)
{
    addCheck(group, id, caption, [this, field] { return settings_.windowRow().*field != 0; },
             [this, field](bool on) {
                 settings_.windowRow().*field = on ? 1 : 0;
                 emit settingChanged();
             });
}

void PreferencesDialog::addChoice(QBoxLayout* group, const std::vector<Radio>& radios, std::function<int()> value,
                                  std::function<void(int)> store)
{
    auto* buttons = new QButtonGroup(this);
    for (const Radio& r : radios) {
        auto* radio = new QRadioButton(QString::fromUtf8(r.caption));
        radio->setObjectName(controlName(r.id));
        controls_[r.id] = radio;
        buttons->addButton(radio, r.value);
        group->addWidget(radio);
    }
    connect(buttons, &QButtonGroup::idClicked, this, [store = std::move(store)](int v) { store(v); });
    choices_.push_back({buttons, std::move(value)});
}

void PreferencesDialog::addSettingChoice(QBoxLayout* group, const std::vector<Radio>& radios, IntSetting setting)
{
    addChoice(group, radios, [this, setting] { return settings_.value(setting); },
              [this, setting](int v) {
                  settings_.setValue(setting, v);
                  emit settingChanged();
              });
}

void PreferencesDialog::buildInterfaceColumn(QBoxLayout* column)
{
    QBoxLayout* mode = addGroup(column, QStringLiteral("Interface"));
    addChoice(mode, {{1317, "&LITE", int(InterfaceMode::lite)}, {1319, "&PRO", int(InterfaceMode::pro)}},
              [this] { return int(header_().interfaceMode()); }, [this](int m) { setInterfaceMode(m); });
    auto* pro = new QPushButton(QStringLiteral("View PRO Features"));
    pro->setObjectName(controlName(1355));
    pro->setAutoDefault(false);
    controls_[1355] = pro;
    connect(pro, &QPushButton::clicked, this, &PreferencesDialog::showProFeatures);
    mode->addWidget(pro);

    using enum IntSetting;
    addSettings(addGroup(column, QStringLiteral("Schedule")),
                {{1242, "Show task begin times ", ShowTaskTimes},
                 {1228, "Show end times", ShowEndTimes},
                 {1231, "Show schedule statistics", ShowSchedStats},
                 {1239, "Hide gaps less than :05", HideGaps},
                 {1230, "Show conflict durations", ShowConflictLens},
                 {1247, "Show Opportunity costs", ShowOppCosts},
                 {1243, "&Time Space", Timespace},
                 {1260, "Shade lines", Shading},
                 {1234, "No strikethroughs", NoPastStrikes},
                 {1258, "Item borders", ItemBorders},
                 {1235, "Alt+arrow increments :01", KeyIncre1min},
                 {1244, "Enable hide done items", EnableHideDoneItems}});

    QBoxLayout* done = addGroup(column, QStringLiteral("Done Items"));
    addSetting(done, 1236, "Show task begin time", ShowDoneTaskTimes);
    addSetting(done, 1399, "Advance to the next item", AutoAdvance);
}

void PreferencesDialog::buildSchedulingColumn(QBoxLayout* column)
{
    using enum HeaderOption;
    addOptions(addGroup(column, QStringLiteral("Scheduling")),
               {{1385, "Fit to gap as default", FitToGap},
                {1229, "Auto. done appointments", AutoDoneAppointments},
                {1248, "Autobalance", Autobalance},
                {1383, "Marval Prioritization", MarvalPrioritization},
                {1255, "Conflict Checking", ConflictChecking},
                {1384, "Automatic Carry-over", AutomaticCarryOver},
                {1465, "Autosort", Autosort},
                {1381, "Full item dialog as default", FullItemDialog}});
    control(1381)->hide();

    QBoxLayout* records = addGroup(column, QStringLiteral("Records"));
    addOption(records, 1256, "Write Log Files", WriteLogFiles);
    addSetting(records, 1397, "Track Plist Changes", IntSetting::TrackChanges);
    addOption(records, 1398, "Scramble notes on disk (not encryption)", EncryptNotes);

    addOptions(addGroup(column, QStringLiteral("Reports")),
               {{1241, "Show user name ", ShowUserName}, {1252, "Include private items", IncludePrivateItems}});

    QBoxLayout* start = addGroup(column, QStringLiteral("Start"));
    addCheck(start, 1269, "Launch at Start up", [this] { return launchesAtStartup(settings_.environment().autostartFolder); },
             [this](bool on) { setLaunchAtStartup(on); });
    addSetting(start, 1267, "Sync PC clock w/ Internet", IntSetting::ClockSyncWeb);
    control(1267)->hide();
}

void PreferencesDialog::buildViewsColumn(QBoxLayout* column)
{
    using enum IntSetting;
    QBoxLayout* week = addGroup(column, QStringLiteral("Week View"));
    addSetting(week, 1254, "Appointments only", WeekviewEventsOnly);

    addSettings(addGroup(column, QStringLiteral("Month View")),
                {{1259, "Appointments only", MonthviewEventsOnly},
                 {1238, "Key items only", MonthviewVitalsOnly},
                 {1237, "Begin times ", MonthviewBeginTimes},
                 {1232, "Day spans (+/-)", MonthviewDaysSpans},
                 {1257, "Show week of year", MonthviewWkOfYr}});

    QBoxLayout* weeks = addGroup(column, QStringLiteral("Weeks"));
    addSetting(weeks, 1394, "Weeks start Mon (not Sun) ", WeekStartsMon);
    QBoxLayout* firstWeek = addGroup(weeks, QStringLiteral("First Week of Year"));
    addSettingChoice(firstWeek,
                     {{1292, "Contains Jan 1", 0}, {1293, "First full week after Jan 1", 1}, {1294, "Contains 4+ days", 2}},
                     FirstWeekRule);
}

void PreferencesDialog::buildAlarmsColumn(QBoxLayout* column)
{
    using enum IntSetting;
    QBoxLayout* alarms = addGroup(column, QStringLiteral("Alarms"));
    addSetting(alarms, 1227, "Sound only once ", AlarmsRingOnce);
    addSetting(alarms, 1240, "Silent", AlarmsSilent);
    addRowFlag(alarms, 1250, "Alarms off", &UserWindowRow::alarmsOff);
    addRowFlag(alarms, 1342, "Agents off", &UserWindowRow::agentsOff);
    addSetting(alarms, 1251, "Alarm on all stations", AlarmsShared);
    control(1251)->hide();
    addSetting(alarms, 1266, "Hourly Chimes ", Chimes);
    addSetting(alarms, 1268, "Sunrise/set Chimes ", SunChimes);

    QBoxLayout* facts = addGroup(column, QStringLiteral("Day Facts"));
    addSetting(facts, 1253, "Moon phases", ShowMoons);
    auto* moonTimes = new QHBoxLayout;
    moonTimes->setContentsMargins(20, 0, 0, 0);  // belongs to the moon phases above
    facts->addLayout(moonTimes);
    addSettingChoice(moonTimes, {{1378, "Evening", 0}, {1379, "Morning", 1}}, MoonAM);
    moonTimes->addStretch(1);
    // Pairs of day facts side by side, as they stand in the day's heading.
    const struct {
        int leftId;
        const char* left;
        IntSetting leftSetting;
        int rightId;
        const char* right;
        IntSetting rightSetting;
    } pairs[] = {
        {1386, "Sunrise", ShowSunrise, 1387, "Sunset", ShowSunset},
        {1390, "Moon rise", Moonrise, 1391, "Moon set", Moonset},
        {1388, "Hi tide", HighTide, 1389, "Lo tide", LowTide},
        {1549, "Z", Zenith, 1550, "H", TideLine},
    };
    for (const auto& p : pairs) {
        auto* row = new QHBoxLayout;
        facts->addLayout(row);
        addSetting(row, p.leftId, p.left, p.leftSetting);
        addSetting(row, p.rightId, p.right, p.rightSetting);
        row->addStretch(1);
    }
    control(1549)->setToolTip(QStringLiteral("Zenith"));
    control(1550)->setToolTip(QStringLiteral("Tide line"));
    addSetting(facts, 1249, "&World Timeline", WorldTimeline);
}

// --- behaviour ----------------------------------------------------------------------------

void PreferencesDialog::load()
{
    for (const Toggle& t : toggles_)
        t.button->setChecked(t.isOn());
    for (const Choice& c : choices_) {
        QAbstractButton* chosen = c.group->button(c.value());
        // No radio of the group is checked for a value it has none for (EZ mode).
        c.group->setExclusive(false);
        for (QAbstractButton* b : c.group->buttons())
            b->setChecked(b == chosen);
        c.group->setExclusive(true);
    }
}

QAbstractButton* PreferencesDialog::control(int id) const
{
    auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

void PreferencesDialog::setInterfaceMode(int mode)
{
    if (header_().interfaceMode() == static_cast<std::uint32_t>(mode))
        return;
    header_().setInterfaceMode(static_cast<std::uint32_t>(mode));
    emit headerChanged();
    emit interfaceModeChanged(mode);
}

void PreferencesDialog::setLaunchAtStartup(bool on)
{
    const auto& folder = settings_.environment().autostartFolder;
    zk::setLaunchAtStartup(folder, on, program_);
    // The entry is the truth: when it could not be written the box shows so.
    settings_.setOn(IntSetting::AutoStart, launchesAtStartup(folder));
    control(1269)->setChecked(settings_.isOn(IntSetting::AutoStart));
}

void PreferencesDialog::showProFeatures()
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("PRO Features"), QString::fromUtf8(kProFeaturesText),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("PROFEATURES"));
    box.exec();
}

void PreferencesDialog::done(int result)
{
    saveWindowSettings(settings_, header_(), store_);
    emit saved();
    QDialog::done(result);
}

} // namespace zk
