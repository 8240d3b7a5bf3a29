#include "shell/commands.h"

namespace morvane {

const char* ScreenTitle(Screen screen) {
  switch (screen) {
    case Screen::Status: return "Morvane - Status";
    case Screen::Settings: return "Morvane - Settings";
    case Screen::ScanPrep: return "Morvane - System Scan Selection";
    case Screen::ScanProc: return "Morvane - System Scan";
    case Screen::ScanResult: return "Morvane - System Scan Results";
    case Screen::Iremovable: return "Morvane - Iremovable Objects";
    case Screen::IgnoreList: return "Morvane - Ignore List";
    case Screen::Quarantined:
    case Screen::QItems: return "Morvane - Quarantined Objects";
  }
  return "";
}

bool CommandScreen(Command c, Screen& screen) {
  const CommandRow& row = CommandInfo(c);
  if (row.screen) screen = *row.screen;
  return row.screen.has_value();
}

const CommandRow* CommandWithId(int id, int& index) {
  for (size_t i = 0; i < kCommandCount; ++i) {
    const CommandRow& row = CommandInfo(Command(i));
    if (row.id != 0 && id >= row.id && id < row.id + row.ids) {
      index = id - row.id;
      return &row;
    }
  }
  return nullptr;
}

bool IsCommandAllowed(Command c, const CommandState& s) {
  const CommandRow& row = CommandInfo(c);
  if (row.screen && *row.screen != s.screen) return false;
  if (row.waitsForOperation && s.operationInProgress) return false;
  if (row.resultButton && !s.resultButtonsEnabled) return false;
  if (!s.longOperation) return true;
  switch (row.inLongOperation) {
    case InLongOperation::Refused: return false;
    case InLongOperation::Runs: return true;
    case InLongOperation::RunsWhileScanning: return s.scanPhase == ScanPhase::Running;
  }
  return false;
}

CommandSet AllowedCommands(const CommandState& s) {
  CommandSet set;
  for (size_t i = 0; i < kCommandCount; ++i) set[i] = IsCommandAllowed(Command(i), s);
  return set;
}

}  // namespace morvane
