#include "views/statusdisplay.h"

#include "shell/model/settings.h"

namespace zk {

QColor qColorOf(std::uint32_t colorRef)
{
    const Rgb rgb = rgbOf(static_cast<long>(colorRef & 0xFFFFFF));
    return QColor(rgb.red, rgb.green, rgb.blue);
}

std::uint32_t colorRefOfQColor(const QColor& color)
{
    return static_cast<std::uint32_t>(colorRefOf(Rgb{color.red(), color.green(), color.blue()}));
}

QString statusCaption(const StatusTable& table, int index)
{
    return QString::fromStdString(table.label(index)).replace('&', QStringLiteral("&&"));
}

} // namespace zk
