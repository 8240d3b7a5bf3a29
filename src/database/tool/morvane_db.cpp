// morvane-db: enciphers a plain-text database source, deciphers a database
// file, and checks a database for records that can never match.
//   morvane-db encrypt PLAIN OUT
//   morvane-db decrypt DB OUT
//   morvane-db check DB
// Exit codes: 0 ok, 1 problems found, 2 unreadable input or bad usage.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "database/crypt.h"
#include "database/records.h"

using namespace morvane;

namespace {

bool ReadFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return false;
  content = buffer.str();
  return true;
}

bool WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(content.data(), std::streamsize(content.size()));
  out.close();
  return !out.fail();
}

int Usage() {
  std::cerr << "usage: morvane-db encrypt PLAIN OUT | decrypt DB OUT | check DB\n";
  return 2;
}

// Every line, deciphered or enciphered, each followed by CR LF.
int Convert(const std::string& from, const std::string& to, bool encrypt) {
  std::string content;
  if (!ReadFile(from, content)) {
    std::cerr << "morvane-db: cannot read " << from << "\n";
    return 2;
  }
  std::string out;
  size_t lineNumber = 0;
  int result = 0;
  for (const Text& line : SplitTextLines(content)) {
    ++lineNumber;
    const Text converted =
        encrypt ? modCrypt::EncryptString(line, kDatabaseKey) : modCrypt::DecryptString(line, kDatabaseKey);
    if (encrypt && modCrypt::DecryptString(converted, kDatabaseKey) != line) {
      std::cerr << "morvane-db: line " << lineNumber << " holds characters that cannot be enciphered\n";
      result = 1;
    }
    out += converted;
    out += "\r\n";
  }
  if (result != 0) return result;
  if (!WriteFile(to, out)) {
    std::cerr << "morvane-db: cannot write " << to << "\n";
    return 2;
  }
  return 0;
}

// The report of one database file's content; 1 when it has problems.
int CheckContent(const std::string& content, const std::string& path, std::ostream& out, std::ostream& err) {
  if (SplitTextLines(content).empty()) {
    err << "morvane-db: " << path << " is empty\n";
    return 1;
  }
  const DatabaseReport report = CheckDatabaseFile(content);
  out << "version: " << report.version << "\n";
  out << "records: " << report.records << "\n";
  for (const auto& [type, count] : report.perType)
    out << "  " << (type.empty() ? "(unknown)" : type) << ": " << count << "\n";
  for (const RecordProblem& p : report.problems)
    out << "line " << p.lineNumber << ": " << p.reason << ": " << p.line << "\n";
  if (!report.problems.empty()) {
    err << "morvane-db: " << report.problems.size() << " record(s) can never match, be removed or be trusted\n";
    return 1;
  }
  return 0;
}

int Check(const std::string& path) {
  std::string content;
  if (!ReadFile(path, content)) {
    std::cerr << "morvane-db: cannot read " << path << "\n";
    return 2;
  }
  return CheckContent(content, path, std::cout, std::cerr);
}

}  // namespace

#ifndef MORVANE_DB_NO_MAIN
int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "encrypt" && argc == 4) return Convert(argv[2], argv[3], true);
  if (command == "decrypt" && argc == 4) return Convert(argv[2], argv[3], false);
  if (command == "check" && argc == 3) return Check(argv[2]);
  return Usage();
}
#endif
