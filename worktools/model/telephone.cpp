#include "worktools/model/telephone.h"

#include "core/text.h"
#include "platform/messages.h"
#include "platform/programlauncher.h"

namespace zk {

std::string telUrl(std::string_view number)
{
    std::string url = "tel:";
    for (char c : number) {
        if ((c >= '0' && c <= '9') || c == '+' || c == '*' || c == '-')
            url += c;
        else if (c == '#')
            url += "%23";
    }
    return url;
}

bool placeCall(ProgramLauncher& launcher, Messages& messages, std::string_view number, const CallTexts& texts)
{
    const std::string_view trimmed = trimBlanks(number);
    if (trimmed.empty())
        return false;
    if (!texts.shown.empty())
        messages.information(std::string(texts.shown) + std::string(trimmed));
    const std::string url = telUrl(trimmed);
    if (url.find_first_of("0123456789") != std::string::npos && launcher.openUrl(url))
        return true;
    messages.error(texts.refused);
    return false;
}

} // namespace zk
