#include "engine/moontimes.h"

#include "core/dateformat.h"

#include <cmath>

namespace zk {

namespace {

// One periodic term: multiples of the mean elongation D, the sun's anomaly
// M, the moon's anomaly M' and its argument of latitude F, and the
// coefficient (longitude and latitude in 1e-6 degrees, distance in metres).
struct Term {
    signed char d, m, mPrime, f;
    double coefficient;
};

constexpr Term kLongitude[] = {
    {0, 0, 1, 0, 6288774}, {2, 0, -1, 0, 1274027}, {2, 0, 0, 0, 658314},  {0, 0, 2, 0, 213618},
    {0, 1, 0, 0, -185116}, {0, 0, 0, 2, -114332},  {2, 0, -2, 0, 58793},  {2, -1, -1, 0, 57066},
    {2, 0, 1, 0, 53322},   {2, -1, 0, 0, 45758},   {0, 1, -1, 0, -40923}, {1, 0, 0, 0, -34720},
    {0, 1, 1, 0, -30383},  {2, 0, 0, -2, 15327},   {0, 0, 1, 2, -12528},  {0, 0, 1, -2, 10980},
    {4, 0, -1, 0, 10675},  {0, 0, 3, 0, 10034},    {4, 0, -2, 0, 8548},   {2, 1, -1, 0, -7888},
    {2, 1, 0, 0, -6766},   {1, 0, -1, 0, -5163},   {1, 1, 0, 0, 4987},    {2, -1, 1, 0, 4036},
    {2, 0, 2, 0, 3994},    {4, 0, 0, 0, 3861},     {2, 0, -3, 0, 3665},   {0, 1, -2, 0, -2689},
    {2, 0, -1, 2, -2602},  {2, -1, -2, 0, 2390},   {1, 0, 1, 0, -2348},   {2, -2, 0, 0, 2236},
    {0, 1, 2, 0, -2120},   {0, 2, 0, 0, -2069},
};

constexpr Term kDistance[] = {
    {0, 0, 1, 0, -20905355}, {2, 0, -1, 0, -3699111}, {2, 0, 0, 0, -2955968}, {0, 0, 2, 0, -569925},
    {0, 1, 0, 0, 48888},     {0, 0, 0, 2, -3149},     {2, 0, -2, 0, 246158},  {2, -1, -1, 0, -152138},
    {2, 0, 1, 0, -170733},   {2, -1, 0, 0, -204586},  {0, 1, -1, 0, -129620}, {1, 0, 0, 0, 108743},
    {0, 1, 1, 0, 104755},    {2, 0, 0, -2, 10321},    {0, 0, 1, -2, 79661},   {4, 0, -1, 0, -34782},
    {0, 0, 3, 0, -23210},    {4, 0, -2, 0, -21636},   {2, 1, -1, 0, 24208},   {2, 1, 0, 0, 30824},
    {1, 0, -1, 0, -8379},    {1, 1, 0, 0, -16675},    {2, -1, 1, 0, -12831},  {2, 0, 2, 0, -10445},
    {4, 0, 0, 0, -11650},    {2, 0, -3, 0, 14403},    {0, 1, -2, 0, -7003},   {2, -1, -2, 0, 10056},
    {1, 0, 1, 0, 6322},      {2, -2, 0, 0, -9884},    {0, 1, 2, 0, 5751},
};

constexpr Term kLatitude[] = {
    {0, 0, 0, 1, 5128122}, {0, 0, 1, 1, 280602},  {0, 0, 1, -1, 277693}, {2, 0, 0, -1, 173237},
    {2, 0, -1, 1, 55413},  {2, 0, -1, -1, 46271}, {2, 0, 0, 1, 32573},   {0, 0, 2, 1, 17198},
    {2, 0, 1, -1, 9266},   {0, 0, 2, -1, 8822},   {2, -1, 0, -1, 8216},  {2, 0, -2, -1, 4324},
    {2, 0, 1, 1, 4200},    {2, 1, 0, -1, -3359},  {2, -1, -1, 1, 2463},  {2, -1, 0, 1, 2211},
    {2, -1, -1, -1, 2065}, {0, 1, -1, -1, -1870}, {4, 0, -1, -1, 1828},  {0, 1, 0, 1, -1794},
    {0, 0, 0, 3, -1749},   {0, 1, -1, 1, -1565},  {1, 0, 0, 1, -1491},   {0, 1, 1, 1, -1475},
    {0, 1, 1, -1, -1410},  {0, 1, 0, -1, -1344},  {1, 0, 0, -1, -1335},  {0, 0, 3, 1, 1107},
    {4, 0, 0, -1, 1021},   {4, 0, -1, 1, 833},
};

constexpr double kMeanDistanceKm = 385000.56;
constexpr double kEarthRadiusKm = 6378.14;
constexpr double kSunDistanceKm = 149597870.7;
// The upper limb's altitude at rising: the semi-diameter (0.2725 of the
// parallax) above the centre, less 34' of refraction.
constexpr double kLimbFactor = 0.7275;
constexpr double kRefraction = 34.0 / 60.0;
constexpr double kSynodicMonth = 29.530588861;
// Sampling for rises and sets: the moon's altitude cannot turn twice in an hour.
constexpr double kSearchStep = 1.0 / 24.0;

// The sum of a table's terms; `sine` for longitude and latitude, cosine for distance.
template <std::size_t N>
double series(const Term (&terms)[N], double d, double m, double mPrime, double f, double e, bool sine)
{
    double sum = 0;
    for (const Term& t : terms) {
        const double argument = t.d * d + t.m * m + t.mPrime * mPrime + t.f * f;
        const double eccentricity = t.m == 0 ? 1.0 : std::abs(t.m) == 1 ? e : e * e;
        sum += t.coefficient * eccentricity * (sine ? std::sin(argument) : std::cos(argument));
    }
    return sum;
}

// The angle sun–moon seen from the earth's centre, along the ecliptic: 0 at
// new moon, 180 at full moon.
double elongation(double julian) { return normalisedDegrees(moonPlace(julian).longitude - sunLongitude(julian)); }

} // namespace

MoonPlace moonPlace(double julian)
{
    const double t = centuriesOfDynamicalTime(julian);
    const double meanLongitude = 218.3164477 + 481267.88123421 * t - 0.0015786 * t * t;
    const double d = radians(297.8501921 + 445267.1114034 * t - 0.0018819 * t * t);
    const double m = radians(357.5291092 + 35999.0502909 * t - 0.0001536 * t * t);
    const double mPrime = radians(134.9633964 + 477198.8675055 * t + 0.0087414 * t * t);
    const double f = radians(93.2720950 + 483202.0175233 * t - 0.0036539 * t * t);
    const double e = 1 - 0.002516 * t - 0.0000074 * t * t;
    const double a1 = radians(119.75 + 131.849 * t), a2 = radians(53.09 + 479264.290 * t);
    const double a3 = radians(313.45 + 481266.484 * t);
    const double l = radians(meanLongitude);

    double sumLongitude = series(kLongitude, d, m, mPrime, f, e, true);
    sumLongitude += 3958 * std::sin(a1) + 1962 * std::sin(l - f) + 318 * std::sin(a2);
    double sumLatitude = series(kLatitude, d, m, mPrime, f, e, true);
    sumLatitude += -2235 * std::sin(l) + 382 * std::sin(a3) + 175 * std::sin(a1 - f) + 175 * std::sin(a1 + f)
                 + 127 * std::sin(l - mPrime) - 115 * std::sin(l + mPrime);

    MoonPlace place;
    place.longitude = normalisedDegrees(meanLongitude + sumLongitude / 1e6);
    place.latitude = sumLatitude / 1e6;
    place.distanceKm = kMeanDistanceKm + series(kDistance, d, m, mPrime, f, e, false) / 1000.0;
    place.parallax = degrees(std::asin(kEarthRadiusKm / place.distanceKm));
    place.equatorial = equatorialOf(place.longitude, place.latitude, julian);
    return place;
}

double moonAltitude(double julian, double latitude, double longitude)
{
    return altitudeDegrees(moonPlace(julian).equatorial, julian, latitude, longitude);
}

double moonHorizonAltitude(double julian) { return kLimbFactor * moonPlace(julian).parallax - kRefraction; }

MoonTimes moonTimes(DayNumber day, double latitude, double longitude, int utcOffsetMinutes, MoonHours hours)
{
    const double from = localMidnight(day, utcOffsetMinutes) + (hours == MoonHours::Evening ? 0.5 : 0.0);
    auto aboveHorizon = [latitude, longitude](double julian) {
        const MoonPlace place = moonPlace(julian);
        return altitudeDegrees(place.equatorial, julian, latitude, longitude)
             - (kLimbFactor * place.parallax - kRefraction);
    };
    MoonTimes times;
    const std::vector<Crossing> crossings = zeroCrossings(aboveHorizon, from, from + 1.0, kSearchStep);
    for (const Crossing& c : crossings) {
        std::optional<double>& moment = c.rising ? times.rise : times.set;
        if (!moment)
            moment = c.julian;
    }
    times.allNight = crossings.empty() && aboveHorizon(from) >= 0;
    return times;
}

double principalPhaseMoment(double near, int quarter)
{
    // Newton's steps on the elongation, which grows about 12.19° a day.
    const double target = 90.0 * quarter;
    double julian = near;
    for (int i = 0; i < 8; ++i) {
        const double off = signedDegrees(elongation(julian) - target);
        julian -= off / (360.0 / kSynodicMonth);
        if (std::abs(off) < 1e-5)
            break;
    }
    return julian;
}

MoonPhase moonPhase(DayNumber day, int utcOffsetMinutes)
{
    const double midnight = localMidnight(day, utcOffsetMinutes);
    const double noon = midnight + 0.5;
    const double angle = elongation(noon);

    MoonPhase phase;
    phase.waxing = angle < 180.0;
    double lastNew = principalPhaseMoment(noon - angle / 360.0 * kSynodicMonth, 0);
    if (lastNew > noon)
        lastNew = principalPhaseMoment(lastNew - kSynodicMonth, 0);
    phase.ageDays = noon - lastNew;

    // The phase angle at the moon, from the geocentric elongation.
    const MoonPlace moon = moonPlace(noon);
    const double psi = std::acos(std::cos(radians(moon.latitude)) * std::cos(radians(angle)));
    const double i = std::atan2(kSunDistanceKm * std::sin(psi), moon.distanceKm - kSunDistanceKm * std::cos(psi));
    phase.illuminated = (1 + std::cos(i)) / 2;

    // A principal phase whose moment falls within the day's hours names it.
    const double atMidnight = elongation(midnight);
    const double quarterBefore = std::floor(atMidnight / 90.0);
    const int next = static_cast<int>(quarterBefore + 1) % 4;
    const double moment = principalPhaseMoment(midnight + signedDegrees(90.0 * next - atMidnight) / 12.19, next);
    if (moment >= midnight && moment < midnight + 1.0)
        phase.name = static_cast<MoonPhaseName>(2 * next);
    else
        phase.name = static_cast<MoonPhaseName>(2 * static_cast<int>(angle / 90.0) + 1);
    return phase;
}

const char* moonSymbol(MoonPhaseName name)
{
    static const char* const kSymbols[] = {
        "\U0001F311", "\U0001F312", "\U0001F313", "\U0001F314",
        "\U0001F315", "\U0001F316", "\U0001F317", "\U0001F318",
    };
    return kSymbols[static_cast<int>(name)];
}

std::string moonFacts(DayNumber day, const MoonDisplay& display, const RegionalSettings& regional)
{
    if (!display.moonrise && !display.moonset)
        return {};
    const int offset = utcOffsetOfDay(day);
    const MoonTimes times = moonTimes(day, display.latitude, display.longitude, offset, display.hours);
    if (times.allNight)
        return "moon all night; ";
    std::string facts;
    if (display.moonrise && times.rise)
        facts += "moonrise " + timeText(localTime(*times.rise, day, offset), regional) + "; ";
    if (display.moonset && times.set)
        facts += "moonset " + timeText(localTime(*times.set, day, offset), regional) + "; ";
    return facts;
}

} // namespace zk
