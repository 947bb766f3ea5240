#include "views/moondrawing.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace zk {

void drawMoon(QPainter& painter, const QRectF& disc, const MoonPhase& phase, bool southern, const MoonColors& colors)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colors.dark);
    painter.drawEllipse(disc);

    // The lit part drawn lit on the right: the limb's right half from top
    // to bottom, then the terminator back up; its half-width shrinks from
    // the full radius at new moon to nothing at the quarters and grows on
    // the dark side towards full moon.
    const double lit = std::clamp(phase.illuminated, 0.0, 1.0);
    const QPointF centre = disc.center();
    const double rx = disc.width() / 2, ry = disc.height() / 2;
    const double terminator = rx * std::abs(1.0 - 2.0 * lit);
    QPainterPath path;
    path.moveTo(centre.x(), centre.y() - ry);
    path.arcTo(disc, 90, -180);
    const QRectF ellipse(centre.x() - terminator, disc.top(), 2 * terminator, disc.height());
    path.arcTo(ellipse, 270, lit < 0.5 ? 180 : -180);
    path.closeSubpath();
    if (phase.waxing == southern) {
        QTransform mirror;
        mirror.translate(centre.x(), 0).scale(-1, 1).translate(-centre.x(), 0);
        path = mirror.map(path);
    }
    painter.setBrush(colors.lit);
    painter.drawPath(path);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colors.outline, 0.8));
    painter.drawEllipse(disc);
    painter.restore();
}

} // namespace zk
