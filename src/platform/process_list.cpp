#include "platform/process_list.h"

#include <string>

#include "platform/handles.h"

namespace morvane {

void ListActiveProcesses(Context& ctx, ListView& lstProcesses) {
  lstProcesses.Clear();
  IProcesses& p = ctx.processes();
  HandleOwner snapshot(p, p.CreateSnapshot(win::kTh32csSnapAll, 0));
  if (!snapshot) return;
  ProcessEntry entry;
  for (bool more = p.FirstProcess(snapshot.get(), entry); more; more = p.NextProcess(snapshot.get(), entry)) {
    ListItem& row = lstProcesses.Add(entry.exeFile);
    row.SubItems(1) = std::to_string(entry.processId);
    Text image;
    if (p.ImagePath(entry.processId, image)) row.SubItems(2) = image;
  }
}

}  // namespace morvane
