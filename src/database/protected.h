// Locations that removal, restore and database updates never touch, whatever
// a database record or a quarantine item names: drive roots, the Windows,
// system and program files folders, the user's shell folders, the program's
// own folder, registry roots and the keys and values the system runs on.
// One set of rules for the removal step, restore, morvane-db and Tessarin.
#pragma once
#include <string>
#include <vector>

#include "platform/winapi_types.h"

namespace morvane {

struct FolderValues;

// A file path in a comparable form: "/" read as "\", repeated "\" joined
// (a leading "\\" kept), "." dropped, ".." taking the part before it away,
// trailing dots and blanks of each part dropped (the system drops them
// too), no trailing "\", lower case.
Text NormalizeFilePath(const Text& path);
// A registry key path in a comparable form: upper case, root abbreviations
// ("HKLM") spelled out, repeated and trailing "\" dropped, "." and ".." read
// as in file paths.
Text NormalizeKeyPath(const Text& keyPath);

// True when a registry editor export only writes keyPath and keys below it:
// every section names one of them, nothing is deleted ("[-KEY]", "name"=-).
// A quarantined key's data file must pass before it is imported.
bool ExportConfinedTo(const std::string& file, const Text& keyPath);
// True when importing the export `stored` over the keys the export `present`
// shows would write no value there with other data: every value both name
// (key, then value name, neither case counting) holds the same data in each.
// Values only `stored` names would be added; what only `present` holds stays.
bool ImportChangesNothing(const std::string& stored, const std::string& present);

class ProtectedLocations {
 public:
  // The folders of the running machine and the program folder.
  ProtectedLocations(const FolderValues& folders, const Text& programFolder);
  // Without a machine: the folder variables ("%WinDir%", ...) stand for the
  // folders they name, as database records write them.
  static ProtectedLocations Unexpanded();

  // A file or folder path (a record's or a result row's target).
  bool File(const Text& path) const;
  // A full registry key path. A root or a first-level key is protected; a
  // path under no root the registry knows is not (it reaches nothing).
  bool Key(const Text& keyPath) const;
  // "key path,value name".
  bool Value(const Text& location) const;
  // A result row's or record's location by its type word or code: "path",
  // "file", "fold..." test File, "regk..." Key, "regv..." Value; cookies
  // are names inside the cookie folder. Other words are never protected.
  bool Row(const Text& typeWord, const Text& location) const;

 private:
  ProtectedLocations() = default;
  void AddFolder(const Text& path);
  Text cookies_;
  Text program_;
  std::vector<Text> folders_;      // normalised; they and their parents are protected
  std::vector<Text> systemDirs_;   // normalised; hold the critical system files
};

}  // namespace morvane
