#pragma once
// How statuses appear on the screen: the stored COLORREF colours
// (0x00BBGGRR) as Qt colours and back, the colours an item of a status is
// drawn in, and a status label as the caption of a menu entry or a check
// box.

#ifndef Q_MOC_RUN
#include "core/statustable.h"
#endif

#include <QColor>
#include <QString>

#include <cstdint>

namespace zk {

QColor qColorOf(std::uint32_t colorRef);
std::uint32_t colorRefOfQColor(const QColor& color);

// The label with every "&" doubled: it is the user's text, not a key mark.
QString statusCaption(const StatusTable& table, int index);

} // namespace zk
