#pragma once
// "Palm Pilot Hot Sync Settings" (714): no synchronisation manager exists on
// Linux, so the dialog says so and offers what still serves: the day ranges
// and transfer options (kept in the setting store), writing the exchange
// file for the handheld and reading back the handheld's file, both in the
// user's own handheld folder.

class QWidget;

namespace zk {

class DesktopApp;

inline constexpr const char* kHandheldDialogTitle = "Palm Pilot Hot Sync Settings";

void runHandheldDialog(QWidget* parent, DesktopApp& app);

} // namespace zk
