// The command table: one row per user command of the main window (its
// control, its screen, its handler, whether it may run inside a long
// operation) and the one rule that says whether it may run now.
#pragma once
#include <optional>

#include "scanner/scan_view.h"
#include "shell/main_view.h"

namespace morvane {

class frmMain;

// What a command may do while a long handler runs.
enum class InLongOperation : uint8_t {
  Refused,
  Runs,
  RunsWhileScanning,  // only while the scan runs (Abort)
};

struct CommandRow {
  Command command;
  // Its control or menu item in the resource script (0: none). Boxes and
  // options: the first of `ids` consecutive controls; the value is the index.
  int id = 0;
  int ids = 1;
  // The screen it runs on; none: any screen.
  std::optional<Screen> screen;
  InLongOperation inLongOperation = InLongOperation::Refused;
  // Refused from the start of a scan until its removal step ends.
  bool waitsForOperation = false;
  // Refused while the removal step has switched the result buttons off.
  bool resultButton = false;
  // The handler: a click, or a box or option with its index and state.
  void (frmMain::*click)() = nullptr;
  void (frmMain::*box)(int index, bool ticked) = nullptr;
};

// The row of a command.
const CommandRow& CommandInfo(Command command);
// The row whose control has this id, or null; index: the box or option's index.
const CommandRow* CommandWithId(int id, int& index);

// What the rule looks at.
struct CommandState {
  // From the start of a scan until its removal step ends or the user aborts.
  bool operationInProgress = false;
  // A long handler (start-up, a scan, the removal step, quarantine or ignore
  // list work) is running and yields; clicks arrive nested inside it.
  bool longOperation = false;
  Screen screen = Screen::Status;
  ScanPhase scanPhase = ScanPhase::Running;
  // cmdNextDelete, cmdQuarantineSelected and cmdIgnoreSelected.
  bool resultButtonsEnabled = true;
};

// A command runs only on its own screen. The scan, settings and status
// commands, a new scan and closing wait until no operation is in progress.
// While a long handler runs only Abort (while the scan runs), help and the
// update page are taken: anything else would run nested inside it and work
// on tables it is still using.
bool IsCommandAllowed(Command command, const CommandState& state);
// Every command the rule lets run in a state.
CommandSet AllowedCommands(const CommandState& state);

// The screen a command belongs to; false for the navigation row, exit and the scheduler.
bool CommandScreen(Command command, Screen& screen);

}  // namespace morvane
