#pragma once
// Placing a call. This system has no telephony service: a call is a tel:
// link handed to the desktop's handler (a softphone, a phone paired with
// the desktop), after the number was shown, so the user sees what is
// dialled even where nothing answers the link. The pager of an alarm and
// AutoDial both call through here.

#include <string>
#include <string_view>

namespace zk {

class Messages;
class ProgramLauncher;

// The tel: link of a dial string: digits, "+", "*", "#" and "-" kept
// ("#" escaped), every other character (blanks, brackets, pauses) left out.
std::string telUrl(std::string_view number);

struct CallTexts {
    std::string_view shown;    // shown before the number; empty: nothing shown
    std::string_view refused;  // when no handler could be started
};

// False when the number is empty or the link could not be handed on (the
// refusal was shown then).
bool placeCall(ProgramLauncher& launcher, Messages& messages, std::string_view number, const CallTexts& texts);

} // namespace zk
