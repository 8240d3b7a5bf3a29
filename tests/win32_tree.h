// Test clean-up on the real API: removes a folder tree with plain kernel32
// calls, never descending through a folder link, and a registry key tree.
#pragma once
#include <windows.h>

#include <string>

namespace morvane::testing_win32 {

// Wide calls: a name the code page lacks would come back from the ANSI ones
// as a look-alike, which can lead out of the tree.
inline void RemoveTreeW(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = path + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveTreeW(full);
      else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryW(full.c_str());
      else
        DeleteFileW(full.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(path.c_str());
}

inline void RemoveTree(const std::string& path) {
  std::wstring wide(path.size(), L'\0');
  wide.resize(size_t(MultiByteToWideChar(CP_ACP, 0, path.data(), int(path.size()), wide.data(), int(wide.size()))));
  RemoveTreeW(wide);
}

// Removes a key and every key below it, deepest first.
inline void RemoveKeyTree(HKEY parent, const std::string& sub) {
  HKEY key;
  if (RegOpenKeyExA(parent, sub.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  char name[256];
  for (;;) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    RemoveKeyTree(key, name);
  }
  RegCloseKey(key);
  RegDeleteKeyA(parent, sub.c_str());
}

}  // namespace morvane::testing_win32
