#include "store/server_address.h"

#include <string>

#include "platform/ansi_text.h"

namespace morvane {

namespace {

Text Trim(const Text& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == Text::npos) return Text();
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

}  // namespace

bool ReadServerAddress(IFileSystem& fs, const Text& programFolder, Text& url, Text& error) {
  std::string ini;
  if (!fs.ReadAll(programFolder + "\\Tessarin.ini", ini)) {
    error = "Cannot read Tessarin.ini beside the program. Add a line Server=http://HOST[:PORT] to it.";
    return false;
  }
  size_t start = 0;
  while (start <= ini.size()) {
    size_t end = ini.find('\n', start);
    Text line = Trim(ini.substr(start, end == Text::npos ? Text::npos : end - start));
    start = end == Text::npos ? ini.size() + 1 : end + 1;
    if (AsciiLower(line).rfind("server=", 0) != 0) continue;
    Text value = Trim(line.substr(7));
    while (!value.empty() && value.back() == '/') value.pop_back();
    Text rest = AsciiLower(value).rfind("http://", 0) == 0 ? value.substr(7) : Text();
    bool ok = !rest.empty() && rest.find_first_of("/?# ") == Text::npos;
    size_t colon = rest.find(':');
    if (ok && colon != Text::npos) {
      Text port = rest.substr(colon + 1);
      ok = colon > 0 && !port.empty() && port.size() <= 5 && port.find_first_not_of("0123456789") == Text::npos &&
           std::stoi(port) > 0 && std::stoi(port) < 65536;
    }
    if (!ok) {
      error = "Tessarin.ini: the Server line must read Server=http://HOST[:PORT].";
      return false;
    }
    url = value + "/DataBase.ref";
    return true;
  }
  error = "Tessarin.ini has no Server line. Add a line Server=http://HOST[:PORT] to it.";
  return false;
}

}  // namespace morvane
