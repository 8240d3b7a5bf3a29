#include "platform/handles.h"
#include "platform/modules.h"

namespace morvane {

int32_t modFileOper::ShellCopyFile(const Text& Source, const Text& Destination) {
  return ctx_.shell().FileOperation(win::kFoCopy, Source, Destination, 0);
}

int32_t modFileOper::ShellMoveFile(const Text& Source, const Text& Destination) {
  return ctx_.shell().FileOperation(win::kFoMove, Source, Destination, 0);
}

bool modCopyFolder::CopyFolder(Text& Source, const Text& Destination) {
  if (!Source.empty() && Source.back() == '\\') Source.pop_back();
  uint32_t attrs = ctx_.files().GetAttributes(Destination);
  if (attrs == win::kInvalidAttributes || !(attrs & win::kAttrDirectory)) return false;
  return ctx_.shell().FileOperation(win::kFoCopy, Source, Destination,
                                    win::kFofNoConfirmation | win::kFofNoConfirmMkdir) == 0;
}

bool ShellAndWait(Context& ctx, const Text& sCmd, int32_t WindowStyle) {
  HandleOwner process(ctx.processes(), ctx.processes().Launch(sCmd, uint16_t(WindowStyle)));
  if (process) ctx.processes().Wait(process.get(), win::kInfinite);
  return true;
}

Text QuoteArgument(const Text& path) {
  if (path.find(' ') == Text::npos || (path.size() >= 2 && path.front() == '"' && path.back() == '"')) return path;
  return "\"" + path + "\"";
}

}  // namespace morvane
