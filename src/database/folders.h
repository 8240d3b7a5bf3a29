// Folder values of the running system and the folder variables of
// database targets ("%WinDir%", "%AppData%", ...).
#pragma once
#include "platform/context.h"
#include "platform/tables.h"

namespace morvane {

// Folder values found at start-up; paths without a trailing "\".
struct FolderValues {
  Text strSystemDir;
  Text strWinDir;
  Text strTempDir;
  Text txtAppData;
  Text txtStartMenu;
  Text txtProgramsDir;
  Text txtDesktop;
  Text txtCookies;
};

inline constexpr const char* kShellFoldersKey =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr const char* kCurrentVersionKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// Fills every folder value once: system folders through the platform (with
// fixed fallbacks), shell folders from the registry ("Error" when unreadable).
// Yields once at the end.
void DiscoverFolders(Context& ctx, FolderValues& folders);

// Replaces the seven variables in target, in fixed order, every occurrence,
// letters compared without regard to case.
void ReplaceVariableFolders(const FolderValues& folders, Text& target);

// Replaces every occurrence of what (compared case-insensitively) by with.
void ReplaceNoCase(Text& text, const Text& what, const Text& with);

}  // namespace morvane
