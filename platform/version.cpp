#include "platform/version.h"

#include "platform/fault.h"

#include <cstdio>

namespace zk {

std::string versionText()
{
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", kProgramVersion);
    return text;
}

} // namespace zk
