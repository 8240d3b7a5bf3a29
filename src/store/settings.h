// The settings files beside the program file and their in-memory tables.
// Every path is the program folder followed by a relative part beginning
// with "\". Failures are ignored: the next step runs as if the failed one
// had had no effect.
#pragma once
#include "platform/context.h"
#include "platform/tables.h"
#include "store/app_state.h"

namespace morvane {

// Writes data to a new file beside path and then puts it in place of path,
// so a failed write keeps the old content. False when path was not replaced.
bool ReplaceFileContent(IFileSystem& fs, const Text& path, const std::string& data);

// Raises a statistics line by one: the integer part of the old value plus 1
// (an unreadable value counts as 0).
void RaiseByOne(Text& line);

// Default lines of the settings tables ("Settings.stg" needs the start page).
ListBox DefaultSettingsLines(const Text& startPage);
ListBox DefaultScanInfoLines();
ListBox DefaultCustomScanLines();

class SettingsStore {
 public:
  SettingsStore(Context& ctx, AppState& state) : ctx_(ctx), state_(state) {}

  // Creates missing folders and files with their defaults.
  void CheckSettings();
  // Loads the five settings tables from "\Settings\" (yields after each),
  // padding a short settings or statistics table with its defaults.
  void LoadAllFiles();
  // Replaces SettingsList by the lines of program folder & strPath & strFileName.
  // A file that is there but cannot be read loads empty (or as the defaults)
  // and is not saved over until it has been read.
  void LoadFiles(const Text& strPath, const Text& strFileName, ListBox& SettingsList);
  // Replaces the rows of SettingsList by the text lines of the file; a
  // missing file is not created and leaves the list empty.
  // eachRow, when given, is called with each row's text as soon as it is added.
  void LoadListView(const Text& strPath, const Text& strFileName, ListView& SettingsList,
                    const std::function<void(Text&)>& eachRow = {});
  // Replaces the file by the lines of the list, CR LF between lines (not a
  // file that could not be read when it was loaded). The new
  // content goes to a temporary file first; the old file is replaced only
  // once that is complete.
  void SaveSettingsToFile(const Text& strPath, const Text& strFileName, const ListBox& lstSettingsList);
  // Saves all five tables, yielding after each file.
  void SaveData();
  // Makes sure the file exists; an existing file keeps its content.
  void CreateBlankFile(const Text& strPath, const Text& strFileName);
  // Replaces "\Quarantine\" & QuarantineSession & "\" & strFileName by Data.
  void SaveLineToFile(const Text& strFileName, const Text& Data);
  // Data = the whole content of "\Quarantine\" & strFileName (empty when unreadable).
  void LoadLineFromFile(const Text& strFileName, Text& Data);

  // The browser start page, "about:blank" when it cannot be read.
  Text ReadStartPage();

 private:
  Text Full(const Text& relative) const;
  bool FileExists(const Text& fullPath);
  bool FolderExists(const Text& fullPath);

  Context& ctx_;
  AppState& state_;
};

}  // namespace morvane
