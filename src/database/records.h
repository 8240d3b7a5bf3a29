// Plain-text database records: their type and the faults that keep a record
// from ever matching or from being removed.
#pragma once
#include <array>
#include <map>
#include <vector>

#include "platform/tables.h"
#include "platform/winapi_types.h"

namespace morvane {

// Up to four "|"-separated fields; missing fields are empty, extra ones dropped.
std::array<Text, 4> SplitRecord(const Text& line);
// The four-letter type code of a record in lower case ("path", "fold", ...),
// or the empty text when the first four characters are none of the codes.
Text RecordType(const Text& line);
// True for lines the scans skip without counting ("#" and "@" lines).
bool IsSkippedLine(const Text& line);

struct RecordProblem {
  size_t lineNumber = 0;  // 1-based line of the file
  Text line;
  Text reason;
};

struct DatabaseReport {
  Text version;
  size_t records = 0;                  // scan records (entries 2.., not "#" or "@")
  std::map<Text, size_t> perType;      // type code -> records; "" = unknown code
  std::vector<RecordProblem> problems;
  size_t unsplitLine = 0;              // first record without a type and a target field, 0 if none
};

// Analyses deciphered lines; lines[0] is the version line.
DatabaseReport CheckDatabase(const std::vector<Text>& lines);

// Deciphers the lines of a database file and analyses them.
DatabaseReport CheckDatabaseFile(const std::string& content);
// The content deciphers to a database: a printable version line, at least
// one record, and records that split into a type and a target. A record
// that removal refuses or skips does not matter here. Otherwise why says
// what is wrong.
bool IsDatabase(const DatabaseReport& report, Text& why);
// The same test on loaded, deciphered lines (row 1 the version line), in one
// light pass: cheap enough before every scan.
bool IsDatabase(const ListView& lines, Text& why);

// Splits file content into lines at LF, dropping a CR before it; a final
// line break adds no empty line.
std::vector<Text> SplitTextLines(const std::string& content);

}  // namespace morvane
