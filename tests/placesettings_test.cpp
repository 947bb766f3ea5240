// What the place dialogs accept: degrees within their ranges, a named tide
// location with an interval below half a lunar day, and the round trip
// through the setting store.

#include "platform/settingstore.h"
#include "shell/model/placesettings.h"
#include "tests/lockfilesupport.h"

#include <gtest/gtest.h>

#include <tuple>

namespace zk {
namespace {

TEST(PlaceSettingsTest, PositionsWithinRangeAreTakenOthersAreNamed)
{
    // The error named, or null when the position is taken.
    for (auto [latitude, longitude, error] : {std::tuple<const char*, const char*, const char*>{"50.37", "-4.14", nullptr},
             {" +90 ", "180", nullptr}, {"-90", "-180", nullptr}, {"90.01", "0", kLatitudeRangeText},
             {"", "0", kLatitudeRangeText}, {"51N", "0", kLatitudeRangeText}, {"0", "-180.5", kLongitudeRangeText},
             {"0", "nan", kLongitudeRangeText}, {"0", "1e3", kLongitudeRangeText}}) {
        auto parsed = parseGeoPosition(latitude, longitude);
        if (error)
            EXPECT_EQ(std::get<std::string>(parsed), error) << latitude << " " << longitude;
        else
            EXPECT_TRUE(std::holds_alternative<GeoPosition>(parsed)) << latitude << " " << longitude;
    }
    EXPECT_EQ(degreesText(50.37), "50.37");
    EXPECT_EQ(degreesText(-0.00001), "0");
    EXPECT_EQ(degreesText(12.0), "12");
}

TEST(PlaceSettingsTest, TheTideLocationNeedsANameAndAnIntervalAndSurvivesTheStore)
{
    EXPECT_EQ(std::get<std::string>(parseTideLocation("  ", "5:30")), kTideNameText);
    EXPECT_EQ(std::get<std::string>(parseTideLocation("Brest", "12:30")), kHighWaterIntervalText);
    TideLocation brest = std::get<TideLocation>(parseTideLocation(" Brest ", "3:47"));
    EXPECT_EQ(std::tuple(brest.name, brest.highWaterInterval), std::tuple("Brest", 227));

    testsupport::TempFolder temp;
    SettingStore store(temp.path());
    Settings settings;
    EXPECT_FALSE(tideLocationOf(settings).highWaterInterval);
    storeTideLocation(settings, brest);
    storeGeoPosition(settings, GeoPosition{48.38, -4.49});
    settings.write(store);
    Settings read;
    read.read(store);
    EXPECT_EQ(std::tuple(tideLocationOf(read).name, tideLocationOf(read).highWaterInterval), std::tuple("Brest", 227));
    EXPECT_DOUBLE_EQ(geoPositionOf(read).longitude, -4.49);
}

} // namespace
} // namespace zk
