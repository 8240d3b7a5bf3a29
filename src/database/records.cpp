#include "database/records.h"

#include <algorithm>
#include <cctype>

#include "database/crypt.h"
#include "database/protected.h"

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

namespace {

// A type, a "|" and a target before the next "|" or the end.
bool SplitsIntoTypeAndTarget(const Text& line) {
  const size_t bar = line.find('|');
  return bar != Text::npos && bar != 0 && bar + 1 != line.size() && line[bar + 1] != '|';
}

// A file-name pattern whose name part is only "*" and whose extension is
// any or one every machine is full of ("*.*", "*.dll") would remove the
// files of that type in every folder a scan lists.
bool MatchesEveryName(const Text& pattern) {
  static const char* const kCommon[] = {
      "", "exe", "dll", "sys", "com", "bat", "cmd", "ini", "inf", "txt", "log", "lnk", "url", "htm", "html",
      "xml", "js", "vbs", "doc", "docx", "xls", "xlsx", "pdf", "jpg", "jpeg", "png", "gif", "bmp", "ico", "zip",
      "cab", "msi", "ocx", "cpl", "scr", "drv", "dat", "tmp", "reg", "mui", "nls", "ttf", "fon", "wav", "mp3"};
  const size_t dot = pattern.rfind('.');
  if (pattern.substr(0, dot).find_first_not_of('*') != Text::npos) return false;
  const Text ext = dot == Text::npos ? Text() : Lower(pattern.substr(dot + 1));
  if (ext.find_first_not_of("*?") == Text::npos) return true;
  for (const char* c : kCommon)
    if (ext == c) return true;
  return false;
}

}  // namespace

DatabaseReport CheckDatabase(const std::vector<Text>& lines) {
  static const ProtectedLocations rules = ProtectedLocations::Unexpanded();
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
    if (!report.unsplitLine && !SplitsIntoTypeAndTarget(line)) report.unsplitLine = i + 1;
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
    if (type == "file" && MatchesEveryName(target)) problem("file pattern that matches every name");
    // A "path" may end in a file-name pattern: the scan finds any visible
    // match. The pattern must not match every name; the place it stands for
    // is checked with its wildcards read as letters.
    Text place = target;
    if (type == "path") {
      const size_t slash = target.rfind('\\');
      const Text name = slash == Text::npos ? target : target.substr(slash + 1);
      if (name.find_first_of("*?") != Text::npos) {
        if (MatchesEveryName(name)) problem("file pattern that matches every name");
        for (size_t k = slash == Text::npos ? 0 : slash + 1; k < place.size(); ++k)
          if (place[k] == '*' || place[k] == '?') place[k] = 'x';
      }
    }
    const bool faulty = !report.problems.empty() && report.problems.back().lineNumber == i + 1;
    if (!faulty && (type == "path" || type == "fold" || type == "regk" || type == "regv") && rules.Row(type, place))
      problem("protected location");
    if (type != "regs" && fields[3].empty() && !IsRemovableWord(Lower(fields[0])))
      problem("type word that removal skips");
  }
  return report;
}

DatabaseReport CheckDatabaseFile(const std::string& content) {
  std::vector<Text> lines = SplitTextLines(content);
  for (Text& line : lines) line = modCrypt::DecryptString(line, kDatabaseKey);
  return CheckDatabase(lines);
}

bool IsDatabase(const DatabaseReport& report, Text& why) {
  const bool printable = std::all_of(report.version.begin(), report.version.end(),
                                     [](char c) { return static_cast<unsigned char>(c) >= 0x20 || c == '\t'; });
  if (report.version.empty() || !printable) why = "no version line";
  else if (report.records == 0) why = "no records";
  else if (report.unsplitLine) why = "line " + std::to_string(report.unsplitLine) + " is no record";
  else return true;
  return false;
}

bool IsDatabase(const ListView& lines, Text& why) {
  DatabaseReport report;
  if (!lines.Empty()) report.version = lines.Item(1).text;
  for (size_t i = 2; i <= lines.Count() && !report.unsplitLine; ++i) {
    const Text& line = lines.Item(i).text;
    if (IsSkippedLine(line)) continue;
    ++report.records;
    if (!SplitsIntoTypeAndTarget(line)) report.unsplitLine = i;
  }
  return IsDatabase(report, why);
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
