#include "platform/simulated/sim_regedit.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/handles.h"
#include "platform/modules.h"
#include "platform/simulated/machine.h"

namespace morvane::sim {

namespace {

const char* const kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                  "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};

// Windows-1252 bytes 0x80..0x9F as Unicode.
const uint16_t k80[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                          0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                          0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

uint16_t Wide(unsigned char c) { return (c >= 0x80 && c < 0xA0) ? k80[c - 0x80] : c; }
char Narrow(uint16_t w) {
  if (w < 0x80 || (w >= 0xA0 && w < 0x100)) return char(w);
  for (int i = 0; i < 32; ++i)
    if (k80[i] == w) return char(0x80 + i);
  return '?';
}

std::string ToUtf16(const Text& ansi) {
  std::string out;
  for (unsigned char c : ansi) {
    uint16_t w = Wide(c);
    out += char(w & 0xFF);
    out += char(w >> 8);
  }
  return out;
}

Text FromUtf16(const std::string& bytes) {
  Text out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) out += Narrow(uint16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
  return out;
}

Text Escape(const Text& s) {
  Text out;
  for (char c : s) {
    if (c == '\n' || c == '\r') {
      out += c == '\n' ? "\\n" : "\\r";
      continue;
    }
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

// hex bytes wrapped as the editor does: a break once a line passes 76 characters.
Text HexData(const Text& prefix, const std::string& data) {
  Text out = prefix;
  size_t linePos = prefix.size();
  char b[4];
  for (size_t i = 0; i < data.size(); ++i) {
    std::snprintf(b, sizeof b, "%02x", unsigned(uint8_t(data[i])));
    out += b;
    if (i + 1 == data.size()) break;
    out += ',';
    linePos += 3;
    if (linePos > 76) {
      out += "\\\r\n  ";
      linePos = 2;
    }
  }
  return out;
}

void ExportKey(IRegistry& reg, win::HKey root, const Text& rootName, const Text& sub, Text& out) {
  RegKey key(reg);
  if (key.OpenEx(root, sub, win::kKeyRead) != win::kSuccess) return;
  out += "[" + rootName + (sub.empty() ? "" : "\\" + sub) + "]\r\n";
  for (uint32_t i = 0;; ++i) {
    char name[16384];
    uint32_t nameSize = sizeof name, type = 0, size = 0;
    if (reg.EnumValue(key.get(), i, name, nameSize, &type, nullptr, &size) != win::kSuccess) break;
    std::string data(size, '\0');
    nameSize = sizeof name;
    if (reg.EnumValue(key.get(), i, name, nameSize, &type, reinterpret_cast<uint8_t*>(data.data()), &size) !=
        win::kSuccess)
      break;
    data.resize(size);
    Text n(name, nameSize);
    Text head = n.empty() ? "@=" : "\"" + Escape(n) + "\"=";
    if (type == win::kRegSz && !data.empty() && data.back() == '\0' && data.find('\0') == data.size() - 1) {
      out += head + "\"" + Escape(data.substr(0, data.size() - 1)) + "\"\r\n";
    } else if (type == win::kRegDword && data.size() == 4) {
      char b[16];
      uint32_t v = uint8_t(data[0]) | uint8_t(data[1]) << 8 | uint8_t(data[2]) << 16 | uint32_t(uint8_t(data[3])) << 24;
      std::snprintf(b, sizeof b, "dword:%08x", v);
      out += head + b + "\r\n";
    } else if (type == win::kRegBinary) {
      out += HexData(head + "hex:", data) + "\r\n";
    } else {
      // Text types are held as UTF-16 by the real registry.
      std::string bytes = (type == win::kRegSz || type == win::kRegExpandSz || type == win::kRegMultiSz)
                              ? ToUtf16(data)
                              : data;
      char t[16];
      std::snprintf(t, sizeof t, "hex(%x):", type);
      out += HexData(head + t, bytes) + "\r\n";
    }
  }
  out += "\r\n";
  std::vector<Text> names;
  for (uint32_t i = 0;; ++i) {
    char name[256];
    uint32_t nameSize = sizeof name;
    if (reg.EnumKey(key.get(), i, name, nameSize, nullptr, nullptr) != win::kSuccess) break;
    names.emplace_back(name, nameSize);
  }
  key.Close();
  for (const Text& n : names) ExportKey(reg, root, rootName, sub.empty() ? n : sub + "\\" + n, out);
}

bool SplitKey(const Text& path, win::HKey& root, Text& sub) {
  size_t slash = path.find('\\');
  root = modRegistry::GetRootKeyHandle(slash == Text::npos ? path : path.substr(0, slash));
  sub = slash == Text::npos ? Text() : path.substr(slash + 1);
  return root != 0;
}

void DeleteTree(IRegistry& reg, win::HKey root, const Text& sub) {
  std::vector<Text> names;
  {
    RegKey key(reg);
    if (key.OpenEx(root, sub, win::kKeyRead) != win::kSuccess) return;
    for (uint32_t i = 0;; ++i) {
      char name[256];
      uint32_t n = sizeof name;
      if (reg.EnumKey(key.get(), i, name, n, nullptr, nullptr) != win::kSuccess) break;
      names.emplace_back(name, n);
    }
  }
  for (const Text& n : names) DeleteTree(reg, root, sub + "\\" + n);
  reg.DeleteKey(root, sub);
}

Text Unescape(const Text& s, size_t& pos) {
  // pos is just past the opening quote; leaves pos past the closing one.
  Text out;
  while (pos < s.size() && s[pos] != '"') {
    if (s[pos] == '\\' && pos + 1 < s.size()) {
      ++pos;
      out += s[pos] == 'n' ? '\n' : s[pos] == 'r' ? '\r' : s[pos] == '0' ? '\0' : s[pos];
    } else {
      out += s[pos];
    }
    ++pos;
  }
  ++pos;
  return out;
}

std::string ParseHex(const Text& s) {
  std::string out;
  unsigned v = 0;
  int digits = 0;
  for (char c : s) {
    int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
    if (d >= 0) {
      v = v * 16 + unsigned(d);
      ++digits;
    } else if (c == ',') {
      if (digits) out += char(v);
      v = 0;
      digits = 0;
    }
  }
  if (digits) out += char(v);
  return out;
}

}  // namespace

bool ExportRegistry(IRegistry& reg, const Text& keyPath, std::string& file) {
  Text out = "Windows Registry Editor Version 5.00\r\n\r\n";
  if (keyPath.empty()) {
    for (int i = 0; i < 7; ++i)
      if (i != 4 && i != 6) ExportKey(reg, win::kClassesRoot + uint32_t(i), kRootNames[i], "", out);
  } else {
    win::HKey root;
    Text sub;
    if (!SplitKey(keyPath, root, sub)) return false;
    RegKey probe(reg);
    if (probe.OpenEx(root, sub, win::kKeyRead) != win::kSuccess) return false;
    probe.Close();
    ExportKey(reg, root, kRootNames[root - win::kClassesRoot], sub, out);
  }
  file = "\xff\xfe" + ToUtf16(out);
  return true;
}

bool ImportRegistry(IRegistry& reg, const std::string& file) {
  Text text;
  if (file.size() >= 2 && uint8_t(file[0]) == 0xFF && uint8_t(file[1]) == 0xFE)
    text = FromUtf16(file.substr(2));
  else
    text = file;
  // Join continued lines.
  std::vector<Text> lines;
  Text current;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    Text line = text.substr(start, end == Text::npos ? Text::npos : end - start);
    start = end == Text::npos ? text.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!current.empty()) {
      size_t b = line.find_first_not_of(" \t");
      line = b == Text::npos ? Text() : line.substr(b);
    }
    if (!line.empty() && line.back() == '\\' && (!current.empty() || line.find("=hex") != Text::npos)) {
      current += line.substr(0, line.size() - 1);
      continue;
    }
    lines.push_back(current + line);
    current.clear();
  }
  if (lines.empty() || (lines[0] != "Windows Registry Editor Version 5.00" && lines[0] != "REGEDIT4")) return false;
  bool unicode = lines[0] != "REGEDIT4";
  RegKey key(reg);
  for (size_t i = 1; i < lines.size(); ++i) {
    const Text& l = lines[i];
    if (l.empty() || l[0] == ';') continue;
    if (l[0] == '[') {
      key.Close();
      size_t close = l.rfind(']');
      Text path = l.substr(1, close == Text::npos ? Text::npos : close - 1);
      win::HKey root;
      Text sub;
      if (!path.empty() && path[0] == '-') {
        if (SplitKey(path.substr(1), root, sub)) DeleteTree(reg, root, sub);
        continue;
      }
      if (SplitKey(path, root, sub)) key.Create(root, sub);
      continue;
    }
    if (!key.IsOpen()) continue;
    Text name;
    size_t pos = 0;
    if (l[0] == '@') {
      pos = 1;
    } else if (l[0] == '"') {
      pos = 1;
      name = Unescape(l, pos);
    } else {
      continue;
    }
    if (pos >= l.size() || l[pos] != '=') continue;
    Text v = l.substr(pos + 1);
    if (v == "-") {
      reg.DeleteValue(key.get(), name.c_str());
    } else if (!v.empty() && v[0] == '"') {
      size_t p = 1;
      Text s = Unescape(v, p) + '\0';
      reg.SetValue(key.get(), name.c_str(), win::kRegSz, reinterpret_cast<const uint8_t*>(s.data()), uint32_t(s.size()));
    } else if (v.rfind("dword:", 0) == 0) {
      uint32_t d = uint32_t(std::strtoul(v.c_str() + 6, nullptr, 16));
      uint8_t b[4] = {uint8_t(d), uint8_t(d >> 8), uint8_t(d >> 16), uint8_t(d >> 24)};
      reg.SetValue(key.get(), name.c_str(), win::kRegDword, b, 4);
    } else if (v.rfind("hex", 0) == 0) {
      uint32_t type = win::kRegBinary;
      size_t colon = v.find(':');
      if (colon == Text::npos) continue;
      if (v[3] == '(') type = uint32_t(std::strtoul(v.c_str() + 4, nullptr, 16));
      std::string data = ParseHex(v.substr(colon + 1));
      if (unicode && (type == win::kRegSz || type == win::kRegExpandSz || type == win::kRegMultiSz))
        data = FromUtf16(data);
      reg.SetValue(key.get(), name.c_str(), type, reinterpret_cast<const uint8_t*>(data.data()),
                   uint32_t(data.size()));
    }
  }
  return true;
}

uint32_t RunRegedit(IRegistry& registry, IFileSystem& files, const Text& commandLine, SimFaults* faults) {
  // Arguments after the program name; a quoted argument may hold blanks.
  std::vector<Text> args;
  size_t i = 0;
  bool first = true;
  while (i < commandLine.size()) {
    while (i < commandLine.size() && commandLine[i] == ' ') ++i;
    if (i >= commandLine.size()) break;
    Text a;
    if (commandLine[i] == '"') {
      size_t e = commandLine.find('"', i + 1);
      a = commandLine.substr(i + 1, e == Text::npos ? Text::npos : e - i - 1);
      i = e == Text::npos ? commandLine.size() : e + 1;
    } else {
      size_t e = commandLine.find(' ', i);
      a = commandLine.substr(i, e == Text::npos ? Text::npos : e - i);
      i = e == Text::npos ? commandLine.size() : e;
    }
    if (!first) args.push_back(a);
    first = false;
  }
  bool exporting = false;
  std::vector<Text> rest;
  for (const Text& a : args) {
    Text lower = a;
    for (auto& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "/e") exporting = true;
    else if (lower == "/s" || lower == "/c") continue;
    else rest.push_back(a);
  }
  if (rest.empty()) return 1;
  if (faults && !faults->Mutate(exporting ? "Export" : "Import")) return 1;
  if (exporting) {
    std::string file;
    if (!ExportRegistry(registry, rest.size() > 1 ? rest[1] : Text(), file)) return 1;
    if (!files.WriteAll(rest[0], file)) return 1;
    // The editor leaves its export to the system's cache.
    if (auto* sim = dynamic_cast<SimFileSystem*>(&files)) sim->MarkUnflushed(rest[0]);
    return 0;
  }
  std::string file;
  if (!files.ReadAll(rest[0], file)) return 1;
  return ImportRegistry(registry, file) ? 0 : 1;
}

void InstallRegedit(SimulatedMachine& machine) {
  machine.processes.RegisterProgram("regedit.exe", [&machine](const Text& commandLine) -> uint32_t {
    return RunRegedit(machine.registry, machine.files, commandLine, &machine.faults);
  });
}

}  // namespace morvane::sim
