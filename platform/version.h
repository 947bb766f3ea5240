#pragma once
// The program's version and licence, as `--version`, the About box and the
// fault code show them.

#include <string>

namespace zk {

// "21.00": kProgramVersion, as the fault code shows it.
std::string versionText();

inline constexpr const char* kLicenceName = "GPL-3.0-or-later";
// The licence as the About box states it.
inline constexpr const char* kLicenceText =
    "Zelkon is free software: you can redistribute it and/or modify it under the terms of the GNU General "
    "Public License as published by the Free Software Foundation, either version 3 of the License, or (at "
    "your option) any later version. It is distributed WITHOUT ANY WARRANTY; see the GNU General Public "
    "License for more details.";

} // namespace zk
