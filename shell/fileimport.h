#pragma once
// Files handed to the desktop to import, dropped on the main window or
// chosen with Import: each is read by the reader of its kind (a calendar
// file by its first line), and its items are added under change access,
// taken once per file.

#include <QStringList>

namespace zk {

class DesktopApp;

void importFiles(DesktopApp& app, const QStringList& files);

} // namespace zk
