// What the removal and quarantine code needs of the main window's screens.
#pragma once
#include "platform/winapi_types.h"

namespace morvane {

class IRemovalView {
 public:
  virtual ~IRemovalView() = default;
  // cmdNextDelete, cmdQuarantineSelected and cmdIgnoreSelected together.
  virtual void SetResultButtonsEnabled(bool enabled) = 0;
  virtual void ShowIremovable() = 0;
  // The status command lblCmdStatus.
  virtual void ShowStatus() = 0;
  virtual void ShowQuarantined() = 0;
  virtual void ShowQItems() = 0;
  // Caption of lblNoQuarantined.
  virtual void SetQuarantinedCount(const Text& caption) = 0;
  // The list views changed: redraw them from their tables.
  virtual void RefreshQuarantineLists() {}
};

// A view that shows nothing: for runs without a window.
class NullRemovalView : public IRemovalView {
 public:
  void SetResultButtonsEnabled(bool) override {}
  void ShowIremovable() override {}
  void ShowStatus() override {}
  void ShowQuarantined() override {}
  void ShowQItems() override {}
  void SetQuarantinedCount(const Text&) override {}
};

}  // namespace morvane
