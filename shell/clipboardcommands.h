#pragma once
// Cut, Copy and Paste of items through the desktop's clipboard: the
// selected item (the day pane's entry, or a list's selection) goes there as
// its pipeline line and as a calendar file of its own (text/calendar);
// Paste makes a new item of either, the calendar form first. Cut copies,
// then deletes through the Delete Item command.

namespace zk {

class CommandDispatcher;
class DesktopApp;
class DesktopCommands;

void installClipboardCommands(CommandDispatcher& dispatcher, DesktopApp& app, DesktopCommands& commands);

} // namespace zk
