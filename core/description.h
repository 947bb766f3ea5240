#pragma once
// Description texts: the private marker, the 1000-byte limit and the title
// form shown in messages and one-line lists.

#include <string>
#include <string_view>

namespace zk {

// Cut to the stored limit on a character boundary.
std::string limitDescription(std::string_view text);

bool isPrivateText(std::string_view text);
// The text a reader receives: only the marker for a private text while
// private text is not shown.
std::string_view readerText(std::string_view text, bool showPrivateText);
// The marker prefixed (keeping the limit), or removed.
std::string privateText(std::string_view text);
std::string publicText(std::string_view text);

// At most 198 bytes copied, then shortened to at most 160 with "...".
std::string titleForm(std::string_view text);

} // namespace zk
