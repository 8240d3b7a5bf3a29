#include "database/records.h"

#include <cctype>

namespace morvane {

namespace {

Text Lower(const Text& s) {
  Text out = s;
  for (char& ch : out) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return out;
}

// The long type words that removal and quarantine act on.
bool IsRemovableWord(const Text& lowerWord) {
  return lowerWord == "path" || lowerWord == "file" || lowerWord == "folder" || lowerWord == "regkey" ||
         lowerWord == "regval" || lowerWord == "cookie";
}

}  // namespace

std::array<Text, 4> SplitRecord(const Text& line) {
  std::array<Text, 4> fields;
  size_t field = 0, start = 0;
  while (field < 4) {
    const size_t bar = line.find('|', start);
    if (bar == Text::npos) {
      fields[field] = line.substr(start);
      break;
    }
    fields[field++] = line.substr(start, bar - start);
    start = bar + 1;
  }
  return fields;
}

Text RecordType(const Text& line) {
  const Text code = Lower(line.substr(0, 4));
  static const char* const kCodes[] = {"path", "fold", "file", "regv", "regk", "cook", "regs"};
  for (const char* c : kCodes)
    if (code == c) return code;
  return {};
}

bool IsSkippedLine(const Text& line) { return !line.empty() && (line[0] == '#' || line[0] == '@'); }

DatabaseReport CheckDatabase(const std::vector<Text>& lines) {
  DatabaseReport report;
  if (lines.empty()) return report;
  report.version = lines[0];
  for (size_t i = 1; i < lines.size(); ++i) {
    const Text& line = lines[i];
    if (IsSkippedLine(line)) continue;
    ++report.records;
    const Text type = RecordType(line);
    ++report.perType[type];
    auto problem = [&](const char* reason) { report.problems.push_back({i + 1, line, reason}); };
    if (type.empty()) {
      problem("unknown type code");
      continue;
    }
    const auto fields = SplitRecord(line);
    const Text& target = fields[1];
    if (type == "regv" && target.find(',') == Text::npos) problem("registry value without a comma");
    if (type == "regk" && target.find('\\') == Text::npos) problem("registry key without a \"\\\"");
    // A registry path without a root key name stops the scan at a message box.
    if ((type == "regv" || type == "regk") && target.rfind("HKEY_", 0) != 0)
      problem("registry path without a root key name (HKEY_...)");
    if (type == "file" && target.find('.') == Text::npos) problem("file pattern without a \".\"");
    if (type != "regs" && fields[3].empty() && !IsRemovableWord(Lower(fields[0])))
      problem("type word that removal skips");
  }
  return report;
}

std::vector<Text> SplitTextLines(const std::string& content) {
  std::vector<Text> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t lf = content.find('\n', start);
    const bool last = lf == std::string::npos;
    if (last) lf = content.size();
    size_t end = lf;
    if (end > start && content[end - 1] == '\r') --end;
    lines.push_back(content.substr(start, end - start));
    if (last) break;
    start = lf + 1;
  }
  return lines;
}

}  // namespace morvane
