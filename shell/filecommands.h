#pragma once
// The File menu's saving and leaving commands: Save (1) saves now, Save As
// (499) chooses the file format from then on (the choices zk save-as
// offers) and saves, Exit All (353) closes the session, Exit All Sharing
// (751) also asks every other session on the schedule folder to close.

namespace zk {

class CommandDispatcher;
class DesktopApp;

void installFileCommands(CommandDispatcher& dispatcher, DesktopApp& app);

} // namespace zk
