#include "core/description.h"

#include "core/item.h"
#include "core/text.h"

namespace zk {

std::string limitDescription(std::string_view text) { return std::string(utf8Prefix(text, kMaxDescriptionBytes)); }

bool isPrivateText(std::string_view text) { return !text.empty() && text.front() == kPrivateMarker; }

std::string_view readerText(std::string_view text, bool showPrivateText)
{
    if (!showPrivateText && isPrivateText(text))
        return text.substr(0, 1);
    return text;
}

std::string privateText(std::string_view text)
{
    if (isPrivateText(text))
        return std::string(text);
    return limitDescription(std::string(1, kPrivateMarker) + std::string(text));
}

std::string publicText(std::string_view text)
{
    if (!isPrivateText(text))
        return std::string(text);
    return std::string(text.substr(1));
}

std::string titleForm(std::string_view text)
{
    std::string t(utf8Prefix(text, 198));
    // A line break early in the text ends the title.
    if (auto cr = t.find('\r'); cr != std::string::npos && cr < 157)
        return t.substr(0, cr) + "...";
    if (t.size() > 160) {
        auto brace = t.find('}');
        size_t cut = brace != std::string::npos && brace >= 161 ? brace + 1 : 157;
        t = std::string(utf8Prefix(t, cut)) + "...";
    }
    if (t.size() > 160)
        t = std::string(utf8Prefix(t, 160));
    return t;
}

} // namespace zk
