#include "shell/placedialogs.h"

#include "platform/messages.h"
#include "shell/formdialog.h"
#include "shell/model/placesettings.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace zk {

namespace {

std::string textOf(const QLineEdit* edit) { return edit->text().toStdString(); }

} // namespace

GeoPositionDialog::GeoPositionDialog(Settings& settings, Messages& messages, QWidget* parent)
    : QDialog(parent), settings_(settings), messages_(messages)
{
    setObjectName(QStringLiteral("GeoPosition"));
    setWindowTitle(QStringLiteral("Sunrise/Moon rise Location"));
    const GeoPosition position = geoPositionOf(settings);
    auto* form = new QFormLayout;
    latitude_ = addFormField(form, "latitude", QStringLiteral("&Latitude:"), degreesText(position.latitude),
                         QStringLiteral("-90 to 90"));
    longitude_ = addFormField(form, "longitude", QStringLiteral("L&ongitude:"), degreesText(position.longitude),
                          QStringLiteral("-180 to 180"));
    finishFormDialog(this, form,
                     formNote(QStringLiteral("Degrees with decimals: north and east positive, south and west negative.")));
}

void GeoPositionDialog::accept()
{
    auto parsed = parseGeoPosition(textOf(latitude_), textOf(longitude_));
    if (const std::string* error = std::get_if<std::string>(&parsed)) {
        messages_.error(*error);
        (*error == kLatitudeRangeText ? latitude_ : longitude_)->setFocus();
        return;
    }
    storeGeoPosition(settings_, std::get<GeoPosition>(parsed));
    QDialog::accept();
}

TideLocationDialog::TideLocationDialog(Settings& settings, Messages& messages, QWidget* parent)
    : QDialog(parent), settings_(settings), messages_(messages)
{
    setObjectName(QStringLiteral("TideLocation"));
    setWindowTitle(QStringLiteral("Tide Location"));
    const TideLocation location = tideLocationOf(settings);
    auto* form = new QFormLayout;
    name_ = addFormField(form, "name", QStringLiteral("&Place:"), location.name, QString());
    interval_ = addFormField(form, "interval", QStringLiteral("&High-water interval:"),
                         location.highWaterInterval ? formatHighWaterInterval(*location.highWaterInterval) : "",
                         QStringLiteral("h:mm"));
    finishFormDialog(this, form,
                     formNote(QStringLiteral("The time from the moon's passage over the meridian to high water at the "
                                             "place (its mean high-water interval, from a chart or tide almanac). The "
                                             "tides shown are mean predictions from the moon alone, not tide tables.")));
}

void TideLocationDialog::accept()
{
    auto parsed = parseTideLocation(textOf(name_), textOf(interval_));
    if (const std::string* error = std::get_if<std::string>(&parsed)) {
        messages_.error(*error);
        (*error == kTideNameText ? name_ : interval_)->setFocus();
        return;
    }
    storeTideLocation(settings_, std::get<TideLocation>(parsed));
    QDialog::accept();
}

} // namespace zk
