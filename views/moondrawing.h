#pragma once
// A small drawing of the moon as it looks on a day: a dark disc with its
// lit part, bounded by the limb and the terminator (a half ellipse). As seen
// from the northern hemisphere a waxing moon is lit on the right and a
// waning one on the left; south of the equator the other way round.

#ifndef Q_MOC_RUN
#include "engine/moontimes.h"
#endif

#include <QColor>
#include <QRectF>

class QPainter;

namespace zk {

struct MoonColors {
    QColor lit{0xF4, 0xE9, 0xB0};
    QColor dark{0x45, 0x4B, 0x5A};
    QColor outline{0x80, 0x80, 0x80};
};

void drawMoon(QPainter& painter, const QRectF& disc, const MoonPhase& phase, bool southern = false,
              const MoonColors& colors = {});

} // namespace zk
