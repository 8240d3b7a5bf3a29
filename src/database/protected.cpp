#include "database/protected.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "database/folders.h"

namespace morvane {

namespace {

Text Lower(Text s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

Text Upper(Text s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::vector<Text> Split(const Text& s) {
  std::vector<Text> parts;
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find('\\', start);
    if (end == Text::npos) end = s.size();
    if (end > start) parts.push_back(s.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

Text Join(const std::vector<Text>& parts, size_t from = 0) {
  Text out;
  for (size_t i = from; i < parts.size(); ++i) out += (i > from ? "\\" : "") + parts[i];
  return out;
}

// Equal to, or a parent folder/key of, protected.
bool CoversOrIs(const Text& path, const Text& protectedPath) {
  return protectedPath == path ||
         (protectedPath.size() > path.size() && protectedPath.compare(0, path.size(), path) == 0 &&
          protectedPath[path.size()] == '\\');
}

bool Inside(const Text& path, const Text& folder) {
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '\\';
}

bool IsDrive(const Text& part) { return part.size() == 2 && std::isalpha(static_cast<unsigned char>(part[0])) && part[1] == ':'; }
bool IsVariable(const Text& part) { return part.size() > 2 && part.front() == '%' && part.back() == '%'; }

// Folders every Windows drive may hold, below the drive.
const char* const kWellKnownFolders[] = {
    "windows", "windows\\system32", "windows\\system", "windows\\syswow64", "windows\\temp", "winnt",
    "winnt\\system32", "winnt\\system", "program files", "program files (x86)", "program files\\common files",
    "program files (x86)\\common files", "documents and settings", "users", "programdata", "boot", "recovery"};
// Folders of which every direct sub-folder is a user profile.
const char* const kProfileParents[] = {"documents and settings", "users"};
// Folders that hold the files below; unexpanded forms stand for a machine's.
const char* const kSystemDirs[] = {"windows", "windows\\system32", "windows\\system", "windows\\syswow64",
                                   "winnt", "winnt\\system32", "winnt\\system"};
// Files of the Windows and system folders the system does not start without,
// or that the program itself runs (the registry editor, regsvr32).
const char* const kCriticalFiles[] = {
    "explorer.exe", "regedit.exe", "regsvr32.exe", "winlogon.exe", "userinit.exe", "csrss.exe", "smss.exe",
    "lsass.exe", "services.exe", "svchost.exe", "rundll32.exe", "ntoskrnl.exe", "hal.dll", "ntdll.dll",
    "kernel32.dll", "kernelbase.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "shlwapi.dll",
    "comctl32.dll", "comdlg32.dll", "ole32.dll", "oleaut32.dll", "rpcrt4.dll", "wininet.dll", "ws2_32.dll",
    "wsock32.dll", "msvcrt.dll", "win.ini", "system.ini", "ntldr", "boot.ini", "bootmgr", "config"};

const char* const kRootNames[][2] = {
    {"HKEY_CLASSES_ROOT", "HKCR"},     {"HKEY_CURRENT_USER", "HKCU"},       {"HKEY_LOCAL_MACHINE", "HKLM"},
    {"HKEY_USERS", "HKU"},             {"HKEY_PERFORMANCE_DATA", "HKPD"},   {"HKEY_CURRENT_CONFIG", "HKCC"},
    {"HKEY_DYN_DATA", "HKDD"}};

// Keys the system, the shell or this program cannot do without, in the
// canonical form of CanonicalKey. Their parents are protected with them;
// what lies below them (a spyware entry's own key) is not.
const char* const kCriticalKeys[] = {
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCE",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCEEX",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNSERVICES",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNSERVICESONCE",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHELL FOLDERS",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\USER SHELL FOLDERS",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\BROWSER HELPER OBJECTS",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHELLEXECUTEHOOKS",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHAREDTASKSCHEDULER",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHELLSERVICEOBJECTDELAYLOAD",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\SHELL EXTENSIONS\\APPROVED",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\POLICIES",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\APP PATHS",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINLOGON",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINDOWS",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\IMAGE FILE EXECUTION OPTIONS",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\INTERNET EXPLORER\\MAIN",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\INTERNET EXPLORER\\TOOLBAR",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\INTERNET EXPLORER\\EXTENSIONS",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\POLICIES\\MICROSOFT",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\SERVICES",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\CONTROL",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\ENUM",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\HARDWARE PROFILES",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\SELECT",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\SETUP",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\MOUNTEDDEVICES",
    "HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN",
    "HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCE",
    "HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHELL FOLDERS",
    "HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\USER SHELL FOLDERS",
    "HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\POLICIES",
    "HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINDOWS",
    "HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINLOGON",
    "HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\INTERNET EXPLORER\\MAIN",
    "HKEY_CURRENT_USER\\SOFTWARE\\POLICIES\\MICROSOFT",
    "HKEY_CLASSES_ROOT\\*\\SHELLEX\\CONTEXTMENUHANDLERS",
    "HKEY_CLASSES_ROOT\\DIRECTORY\\SHELLEX\\CONTEXTMENUHANDLERS",
    "HKEY_CLASSES_ROOT\\FOLDER\\SHELLEX\\CONTEXTMENUHANDLERS",
    "HKEY_CLASSES_ROOT\\EXEFILE\\SHELL\\OPEN\\COMMAND",
    "HKEY_CLASSES_ROOT\\HTTP\\SHELL\\OPEN\\COMMAND",
    "HKEY_CLASSES_ROOT\\HTMLFILE\\SHELL\\OPEN\\COMMAND",
    "HKEY_CLASSES_ROOT\\PROTOCOLS\\HANDLER",
    "HKEY_CLASSES_ROOT\\PROTOCOLS\\FILTER",
};

// Values whose loss stops the system from starting a session or the
// program from finding its folders. An empty name: every value of the key.
const char* const kCriticalValues[][2] = {
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINLOGON", "SHELL"},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINLOGON", "USERINIT"},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINLOGON", "SYSTEM"},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\WINLOGON", "UIHOST"},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION", "SYSTEMROOT"},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION", "PROGRAMFILESDIR"},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION", "COMMONFILESDIR"},
    {"HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\CONTROL\\SESSION MANAGER", "BOOTEXECUTE"},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHELL FOLDERS", ""},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\USER SHELL FOLDERS", ""},
    {"HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\SHELL FOLDERS", ""},
    {"HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\USER SHELL FOLDERS", ""},
    // The program's own start with Windows.
    {"HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN", "MORVANE"},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN", "MORVANE"},
};

// First-level class keys the shell and COM cannot do without (upper case).
bool SystemClass(const Text& name) {
  static const char* const kClasses[] = {
      "*", "CLSID", "INTERFACE", "TYPELIB", "APPID", "DIRECTORY", "FOLDER", "DRIVE", "ALLFILESYSTEMOBJECTS",
      "EXEFILE", "DLLFILE", "BATFILE", "CMDFILE", "COMFILE", "LNKFILE", "REGFILE", "TXTFILE", "HTMLFILE",
      "HTTP", "HTTPS", "FTP", "FILE", "MAILTO", "PROTOCOLS", "MIME", "INSTALLER", "APPLICATIONS",
      "SYSTEMFILEASSOCIATIONS", "COMPONENT CATEGORIES", "UNKNOWN", "NETWORK", "PRINTERS", "WOW6432NODE"};
  if (!name.empty() && name[0] == '.') return true;  // file types
  return std::find(std::begin(kClasses), std::end(kClasses), name) != std::end(kClasses);
}

bool KnownRoot(const Text& root) {
  for (const auto& r : kRootNames)
    if (root == r[0]) return true;
  return false;
}

// One spelling per key: a user's hive as the current user's, the classes
// merged under HKEY_CLASSES_ROOT, 32-bit views and numbered control sets
// as the keys they mirror.
std::vector<Text> CanonicalKey(std::vector<Text> p) {
  for (bool changed = true; changed;) {
    changed = false;
    auto replace = [&](size_t drop, const char* root) {
      std::vector<Text> next{root};
      next.insert(next.end(), p.begin() + long(drop), p.end());
      p = std::move(next);
      changed = true;
    };
    if (p.size() >= 3 && p[0] == "HKEY_USERS") {
      replace(2, "HKEY_CURRENT_USER");
    } else if (p.size() >= 3 && (p[0] == "HKEY_LOCAL_MACHINE" || p[0] == "HKEY_CURRENT_USER") &&
               p[1] == "SOFTWARE" && p[2] == "CLASSES") {
      replace(3, "HKEY_CLASSES_ROOT");
    } else if (p.size() >= 3 && p[0] == "HKEY_LOCAL_MACHINE" && p[1] == "SOFTWARE" && p[2] == "WOW6432NODE") {
      p.erase(p.begin() + 2);
      changed = true;
    } else if (p.size() >= 2 && p[0] == "HKEY_CLASSES_ROOT" && p[1] == "WOW6432NODE") {
      p.erase(p.begin() + 1);
      changed = true;
    } else if (p.size() >= 3 && p[0] == "HKEY_LOCAL_MACHINE" && p[1] == "SYSTEM" && p[2].size() == 13 &&
               p[2].compare(0, 10, "CONTROLSET") == 0 &&
               std::all_of(p[2].begin() + 10, p[2].end(), [](char c) { return c >= '0' && c <= '9'; })) {
      p[2] = "CURRENTCONTROLSET";
      changed = true;
    }
  }
  return p;
}

}  // namespace

Text NormalizeFilePath(const Text& path) {
  Text s = path;
  std::replace(s.begin(), s.end(), '/', '\\');
  // Device and long-path prefixes name the same files.
  if (s.rfind("\\\\?\\UNC\\", 0) == 0 || s.rfind("\\\\.\\UNC\\", 0) == 0) s = "\\\\" + s.substr(8);
  else if (s.rfind("\\\\?\\", 0) == 0 || s.rfind("\\\\.\\", 0) == 0 || s.rfind("\\??\\", 0) == 0) s = s.substr(4);
  Text prefix;
  if (s.rfind("\\\\", 0) == 0) prefix = "\\\\";
  else if (!s.empty() && s[0] == '\\') prefix = "\\";
  std::vector<Text> parts;
  // The parts ".." may not take away: the drive, or a share's server and name.
  size_t fixed = 0;
  for (Text part : Split(s)) {
    if (part.find_first_not_of(". ") == Text::npos) {
      if (part.find("..") != Text::npos && parts.size() > fixed) parts.pop_back();
      continue;
    }
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    parts.push_back(Lower(part));
    if (parts.size() == 1 && prefix.empty() && IsDrive(parts[0])) fixed = 1;
    if (prefix == "\\\\" && parts.size() <= 2) fixed = parts.size();
  }
  return prefix + Join(parts);
}

Text NormalizeKeyPath(const Text& keyPath) {
  std::vector<Text> parts;
  for (const Text& raw : Split(keyPath)) {
    const Text part = Upper(raw);
    if (part == ".") continue;
    if (part == "..") {
      if (parts.size() > 1) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  if (!parts.empty())
    for (const auto& r : kRootNames)
      if (parts[0] == r[1]) parts[0] = r[0];
  return Join(parts);
}

namespace {

// An export as one byte per character. A UTF-16 unit above Latin-1 becomes
// "\x01" and four hex digits: it names no ANSI key, and two different ones
// stay different.
Text ExportText(const std::string& file) {
  if (file.size() < 2 || uint8_t(file[0]) != 0xFF || uint8_t(file[1]) != 0xFE) return file;
  Text text;
  text.reserve(file.size() / 2);
  static const char kHex[] = "0123456789ABCDEF";
  for (size_t i = 2; i + 1 < file.size(); i += 2) {
    const unsigned unit = uint8_t(file[i]) | unsigned(uint8_t(file[i + 1])) << 8;
    if (unit < 0x100) {
      text += char(unit);
    } else {
      text += '\x01';
      for (int shift = 12; shift >= 0; shift -= 4) text += kHex[(unit >> shift) & 0xF];
    }
  }
  return text;
}

// Calls line(text) for every line of an export that is not blank, without
// its leading and trailing blanks, until it returns false; false then.
template <class F>
bool ForEachLine(const Text& text, F&& line) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == Text::npos) end = text.size();
    std::string_view l(text.data() + start, end - start);
    start = end + 1;
    while (!l.empty() && (l.back() == '\r' || l.back() == ' ' || l.back() == '\t')) l.remove_suffix(1);
    const size_t first = l.find_first_not_of(" \t");
    if (first != std::string_view::npos && !line(Text(l.substr(first)))) return false;
  }
  return true;
}

// The key a section line "[KEY]" names, as written.
Text SectionName(const Text& line) {
  const size_t close = line.rfind(']');
  return line.substr(1, close == Text::npos ? Text::npos : close - 1);
}

// Every value line of an export by its key and name (lower case) and its
// data as written; a line ending in "\" (hex data) goes on in the next.
std::unordered_map<Text, Text> ExportValues(const std::string& file) {
  const Text text = ExportText(file);
  std::unordered_map<Text, Text> values;
  Text section, pending;
  auto take = [&](const Text& line) {
    if (line[0] == '[') {
      section = NormalizeKeyPath(SectionName(line));
      return;
    }
    size_t eq;
    if (line[0] == '@') {
      eq = 1;
    } else if (line[0] == '"') {
      eq = 1;
      while (eq < line.size() && line[eq] != '"') eq += line[eq] == '\\' ? 2 : 1;
      ++eq;
    } else {
      return;  // a comment or the header
    }
    if (eq >= line.size() || line[eq] != '=') return;
    values[section + '\n' + Lower(line.substr(0, eq))] = line.substr(eq + 1);
  };
  ForEachLine(text, [&](const Text& line) {
    pending += line;
    if (pending.back() == '\\' && pending[0] != '[') {
      pending.pop_back();
      return true;
    }
    take(pending);
    pending.clear();
    return true;
  });
  if (!pending.empty()) take(pending);
  return values;
}

}  // namespace

bool ImportChangesNothing(const std::string& stored, const std::string& present) {
  const auto there = ExportValues(present);
  for (const auto& [at, data] : ExportValues(stored))
    if (auto it = there.find(at); it != there.end() && it->second != data) return false;
  return true;
}

bool ExportConfinedTo(const std::string& file, const Text& keyPath) {
  const Text text = ExportText(file);
  const Text base = NormalizeKeyPath(keyPath);
  if (base.empty()) return false;
  return ForEachLine(text, [&](const Text& line) {
    if (line[0] == '[') {
      const Text section = SectionName(line);
      return !section.empty() && section[0] != '-' && CoversOrIs(base, NormalizeKeyPath(section));
    }
    return line.size() < 2 || line.compare(line.size() - 2, 2, "=-") != 0;
  });
}

ProtectedLocations::ProtectedLocations(const FolderValues& f, const Text& programFolder) {
  for (const Text* folder : {&f.strWinDir, &f.strSystemDir, &f.strTempDir, &f.txtAppData, &f.txtStartMenu,
                             &f.txtProgramsDir, &f.txtDesktop, &f.txtCookies, &programFolder})
    AddFolder(*folder);
  if (!f.txtProgramsDir.empty()) AddFolder(f.txtProgramsDir + " (x86)");
  for (const Text* folder : {&f.strWinDir, &f.strSystemDir}) {
    const Text n = NormalizeFilePath(*folder);
    if (!n.empty()) systemDirs_.push_back(n);
  }
  program_ = NormalizeFilePath(programFolder);
  cookies_ = f.txtCookies;
}

ProtectedLocations ProtectedLocations::Unexpanded() {
  ProtectedLocations p;
  for (const char* v : {"%AppData%", "%StartMenu%", "%ProgramsDir%", "%Desktop%", "%TempDir%"})
    p.folders_.push_back(NormalizeFilePath(v));
  for (const char* v : {"%WinDir%", "%SystemDir%", "%WinDir%\\System32", "%WinDir%\\System", "%WinDir%\\SysWOW64"}) {
    p.folders_.push_back(NormalizeFilePath(v));
    p.systemDirs_.push_back(NormalizeFilePath(v));
  }
  return p;
}

void ProtectedLocations::AddFolder(const Text& path) {
  const Text n = NormalizeFilePath(path);
  // Unreadable folder values ("Error", empty) name nothing on the machine.
  if (n.size() >= 2 && (IsDrive(Split(n)[0]) || n.rfind("\\\\", 0) == 0)) folders_.push_back(n);
}

bool ProtectedLocations::File(const Text& path) const {
  const Text n = NormalizeFilePath(path);
  const std::vector<Text> parts = Split(n);
  // Only a full path names one place; a drive root or share is never removed.
  // Wildcards name many (the shell's copy and move expand them), and a name
  // the ANSI calls could not spell comes back with "?" in it.
  if (parts.empty() || n.find_first_of("*?") != Text::npos) return true;
  const bool unc = n.rfind("\\\\", 0) == 0;
  const bool drive = !unc && n[0] != '\\' && IsDrive(parts[0]);
  if (!unc && !drive && !IsVariable(parts[0])) return true;
  if ((unc && parts.size() <= 2) || parts.size() <= 1) return true;
  for (const Text& f : folders_)
    if (CoversOrIs(n, f)) return true;
  if (!program_.empty() && Inside(n, program_)) return true;

  // Folders of any drive, without the drive.
  const Text below = unc ? Text() : Join(parts, 1);
  const size_t depth = parts.size() - 1;
  if (!below.empty()) {
    for (const char* w : kWellKnownFolders)
      if (CoversOrIs(below, w)) return true;
    for (const char* p : kProfileParents)
      if (depth == 2 && parts[1] == p) return true;
  }
  // The system's own files in the Windows and system folders.
  const Text name = parts.back();
  const Text parent = n.substr(0, n.size() - name.size() - 1);
  if (std::find(std::begin(kCriticalFiles), std::end(kCriticalFiles), name) == std::end(kCriticalFiles)) return false;
  if (std::find(systemDirs_.begin(), systemDirs_.end(), parent) != systemDirs_.end()) return true;
  const Text parentBelow = depth >= 2 ? Join(std::vector<Text>(parts.begin() + 1, parts.end() - 1)) : Text();
  for (const char* d : kSystemDirs)
    if (parentBelow == d) return true;
  return false;
}

bool ProtectedLocations::Key(const Text& keyPath) const {
  const std::vector<Text> parts = Split(NormalizeKeyPath(keyPath));
  if (parts.empty()) return true;
  // A path under no root the registry knows reaches nothing.
  if (!KnownRoot(parts[0])) return false;
  if (parts.size() <= 2) return true;
  const std::vector<Text> canonical = CanonicalKey(parts);
  if (canonical.size() <= 2) {
    // A class key written under Software\Classes is a program's own ProgID
    // unless the shell or COM needs it.
    const bool classMirror = canonical[0] == "HKEY_CLASSES_ROOT" && parts[0] != "HKEY_CLASSES_ROOT";
    if (!classMirror || canonical.size() == 1 || SystemClass(canonical[1])) return true;
  }
  const Text c = Join(canonical);
  for (const char* k : kCriticalKeys)
    if (CoversOrIs(c, k)) return true;
  return false;
}

bool ProtectedLocations::Value(const Text& location) const {
  const size_t comma = location.find(',');
  const Text key = location.substr(0, comma);
  const Text name = comma == Text::npos ? Text() : Upper(location.substr(comma + 1));
  const std::vector<Text> parts = Split(NormalizeKeyPath(key));
  if (parts.empty()) return true;
  if (!KnownRoot(parts[0])) return false;
  if (parts.size() < 2) return true;
  const Text c = Join(CanonicalKey(parts));
  for (const auto& v : kCriticalValues)
    if (c == v[0] && (v[1][0] == '\0' || name == v[1])) return true;
  return false;
}

bool ProtectedLocations::Row(const Text& typeWord, const Text& location) const {
  const Text code = Lower(typeWord.substr(0, 4));
  if (code == "path" || code == "file" || code == "fold") return File(location);
  if (code == "regk") return Key(location);
  if (code == "regv") return Value(location);
  if (code == "cook") {
    // A cookie is a name in the cookie folder; one that climbs out is not.
    if (cookies_.empty()) return location.find_first_of("\\/:") != Text::npos;
    return File(cookies_ + "\\" + location);
  }
  return false;
}

}  // namespace morvane
