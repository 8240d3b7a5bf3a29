#include "platform/line_file.h"

#include <cstring>

namespace morvane {

// The file is read in pieces through a small buffer. A line may run over
// several pieces; it is gathered in a separate text then.
void ReadLines(IFileSystem& files, const Text& path, ListView& rows, const std::function<void(Text&)>& eachRow) {
  rows.Clear();
  Text pending;  // the start of a line begun in an earlier piece
  auto add = [&](const char* line, size_t n) {
    if (n > 0 && line[n - 1] == '\r') --n;
    ListItem& row = rows.Add(Text(line, n));
    if (eachRow) eachRow(row.text);
  };
  const bool read = files.ReadPieces(path, [&](const char* piece, size_t n) {
    const char* p = piece;
    const char* const end = piece + n;
    while (p < end) {
      const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
      if (!lf) {
        pending.append(p, size_t(end - p));
        break;
      }
      if (pending.empty()) {
        add(p, size_t(lf - p));
      } else {
        pending.append(p, size_t(lf - p));
        add(pending.data(), pending.size());
        pending.clear();
      }
      p = lf + 1;
    }
  });
  if (!read) {
    rows.Clear();
    return;
  }
  // A final line break adds no row.
  if (!pending.empty()) add(pending.data(), pending.size());
}

}  // namespace morvane
