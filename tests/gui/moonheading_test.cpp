// The moon in a pane heading: the phase symbol, the drawing lit on the
// correct side, the moon, sun and tide facts in their order; and the two
// place dialogs, which refuse what cannot be used.

#include "tests/gui/desktopsupport.h"
#include "core/calendar.h"
#include "shell/model/placesettings.h"
#include "shell/placedialogs.h"
#include "tests/placementscenario.h"
#include "views/moondrawing.h"

#include <QPainter>

namespace zk {
namespace {

using testing::hm;
using testsupport::saveScreenshot;

class MoonHeadingTest : public ::testing::Test, private testsupport::WithGuiApplication, public testing::Scenario {
protected:
    MoonHeadingTest()
    {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    RegionalSettings regional;
};

TEST_F(MoonHeadingTest, TheHeadingShowsThePhaseTheDrawingAndTheFactsInOrder)
{
    const DayNumber today = dayOf(1, 21, 2024);  // a waxing gibbous moon
    put(appointment("Harbour walk", hm(9), 60), today);
    PaneDisplay display;
    display.moon = MoonDisplay{.phases = true, .moonrise = true, .moonset = true, .hours = MoonHours::Evening,
                               .latitude = 50.37, .longitude = -4.14};
    display.sun = SunDisplay{true, false, true, 50.37, -4.14};
    display.tides = TideDisplay{true, true, -4.14, TideLocation{"Plymouth", 330}};
    DayPane pane;
    pane.setDisplay(display);
    pane.resize(760, 200);
    pane.showDay(s, today, {today, hm(8)}, regional);
    pane.show();

    EXPECT_EQ(pane.record().dayLines().moonSymbol, moonSymbol(MoonPhaseName::WaxingGibbous));
    // The facts' order, and tides only today, are met in SkyFactsTest; here,
    // that the pane's heading carries them before the day's own.
    const QString facts = pane.facts();
    const int sky = facts.indexOf(QLatin1String("moonrise ")), tide = facts.indexOf(QLatin1String(" tide "));
    EXPECT_TRUE(sky >= 0 && sky < tide && tide < facts.indexOf(QLatin1String(" free; "))) << facts.toStdString();
    saveScreenshot(pane.grab().toImage(), "pane-heading-moon");

    // Without the moon options no symbol.
    display.moon = MoonDisplay{};
    pane.setDisplay(display);
    pane.showDay(s, today, {today, hm(8)}, regional);
    EXPECT_TRUE(pane.record().dayLines().moonSymbol.empty());
    EXPECT_FALSE(pane.record().dayLines().moon.has_value());
}

TEST_F(MoonHeadingTest, TheDrawingIsLitOnTheSideTheSunIs)
{
    const struct {
        double illuminated;
        bool waxing, southern, litOnRight, litCentre;
    } cases[] = {
        {0.25, true, false, true, false}, {0.75, true, false, true, true}, {0.25, false, false, false, false},
        {0.75, false, false, false, true}, {0.25, true, true, false, false}, {0.75, false, true, true, true},
    };
    QImage strip(60 * std::size(cases), 60, QImage::Format_RGB32);
    strip.fill(Qt::white);
    QPainter painter(&strip);
    for (int column = 0; column < static_cast<int>(std::size(cases)); ++column) {
        const auto& c = cases[column];
        MoonPhase phase;
        phase.illuminated = c.illuminated;
        phase.waxing = c.waxing;
        const int left = 60 * column;
        drawMoon(painter, QRectF(left + 5, 5, 50, 50), phase, c.southern);
        // Brightness left and right of the centre.
        auto bright = [&](int x) { return qGray(strip.pixel(left + x, 30)) > 150; };
        EXPECT_EQ(bright(50), c.litOnRight) << column;
        EXPECT_EQ(bright(10), !c.litOnRight) << column;
        EXPECT_EQ(bright(30), c.litCentre) << column;
    }
    painter.end();
    saveScreenshot(strip, "moon-drawings");
}

TEST_F(MoonHeadingTest, ThePlaceDialogsStoreGoodValuesAndSayWhatIsWrong)
{
    ScriptedPresenter presenter;
    Messages messages(presenter);
    Settings settings;

    GeoPositionDialog position(settings, messages);
    for (auto [latitude, longitude] : {std::pair{"91", "-4.14"}, {"50.37", "east"}, {"50.37", "-4.14"}}) {
        position.latitudeEdit()->setText(latitude);
        position.longitudeEdit()->setText(longitude);
        position.accept();
    }
    EXPECT_EQ(position.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(settings.real(RealSetting::Latitude), 50.37);
    EXPECT_DOUBLE_EQ(settings.real(RealSetting::Longitude), -4.14);

    TideLocationDialog tide(settings, messages);
    tide.nameEdit()->setText("Plymouth");
    for (const char* interval : {"13:00", "5:30"}) {
        tide.intervalEdit()->setText(interval);
        tide.accept();
    }
    EXPECT_EQ(tide.result(), QDialog::Accepted);
    EXPECT_EQ(settings.text(TextSetting::TideLocation), "Plymouth");
    EXPECT_EQ(presenter.texts(), (std::vector<std::string>{kLatitudeRangeText, kLongitudeRangeText, kHighWaterIntervalText}));
    // The dialogs open on what was stored.
    EXPECT_EQ(GeoPositionDialog(settings, messages).latitudeEdit()->text(), "50.37");
    EXPECT_EQ(TideLocationDialog(settings, messages).intervalEdit()->text(), "5:30");
}

} // namespace
} // namespace zk
