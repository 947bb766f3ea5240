#pragma once
// Files handed to the desktop to import, dropped on the main window or
// chosen with Import: each is read by the reader of its kind (a calendar
// file by its first line; other text as tab-delimited when its heading line
// holds a tab, else as pipeline lines), and its items are added under
// change access, taken once per file.

#include <QStringList>

#include <string>

namespace zk {

class DesktopApp;

void importFiles(DesktopApp& app, const QStringList& files);

// A calendar file, by its first line.
bool isCalendarFile(const std::string& path);
// Imports a calendar file and says what it did.
void importCalendarFile(DesktopApp& app, const std::string& path);

} // namespace zk
