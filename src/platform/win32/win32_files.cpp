#include "platform/win32/win32_files.h"

#include <windows.h>

#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/win32_basics.h"

namespace morvane::w32 {

namespace {

// A name without look-alikes ("?", a wildcard no call takes as a name, for a
// character the code page lacks). FindFirstFileA gives a look-alike instead,
// which can name another file or lead out of the folder (fullwidth dots and
// backslash come back as "..\\").
void Fill(const WIN32_FIND_DATAW& fd, FindData& data) {
  data.attributes = fd.dwFileAttributes;
  data.sizeHigh = fd.nFileSizeHigh;
  data.sizeLow = fd.nFileSizeLow;
  data.name = AnsiName(fd.cFileName, wcsnlen(fd.cFileName, MAX_PATH));
}

std::wstring Wide(const Text& ansi) {
  std::wstring out(ansi.size(), L'\0');
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), out.data(), int(out.size()));
  out.resize(n > 0 ? size_t(n) : 0);
  return out;
}

// An open file handle, closed on every path.
class File {
 public:
  File(const Text& path, DWORD access, DWORD disposition)
      : h_(CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() {
    if (ok()) ::CloseHandle(h_);
  }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  bool WriteAllOf(const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
      DWORD chunk = DWORD(std::min<size_t>(data.size() - done, 1 << 20)), written = 0;
      if (!WriteFile(h_, data.data() + done, chunk, &written, nullptr) || written != chunk) return false;
      done += written;
    }
    return true;
  }

 private:
  HANDLE h_;
};

}  // namespace

IFileSystem::FindHandle Win32FileSystem::FindFirst(const Text& pattern, FindData& data) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Wide(pattern).c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return kInvalidFind;
  Fill(fd, data);
  return reinterpret_cast<FindHandle>(h);
}

bool Win32FileSystem::FindNext(FindHandle h, FindData& data) {
  WIN32_FIND_DATAW fd;
  if (!FindNextFileW(reinterpret_cast<HANDLE>(h), &fd)) return false;
  Fill(fd, data);
  return true;
}

bool Win32FileSystem::FindClose(FindHandle h) { return ::FindClose(reinterpret_cast<HANDLE>(h)) != 0; }

uint32_t Win32FileSystem::GetAttributes(const Text& path) { return GetFileAttributesA(path.c_str()); }

bool Win32FileSystem::SetAttributes(const Text& path, uint32_t attributes) {
  return SetFileAttributesA(path.c_str(), attributes) != 0;
}

bool Win32FileSystem::RemoveFile(const Text& path) { return DeleteFileA(path.c_str()) != 0; }
bool Win32FileSystem::MakeFolder(const Text& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }
bool Win32FileSystem::RemoveFolder(const Text& path) { return RemoveDirectoryA(path.c_str()) != 0; }

bool Win32FileSystem::CopyTo(const Text& source, const Text& destination, bool failIfExists) {
  return CopyFileA(source.c_str(), destination.c_str(), failIfExists) != 0;
}

bool Win32FileSystem::MoveReplace(const Text& source, const Text& destination) {
  // A file open in another program (a virus scanner looking at what was just
  // written, a reader) cannot be replaced; such a hold is brief, so the move
  // is tried again for about half a second before it counts as failed.
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExA(source.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || attempt == 10) {
      SetLastError(error);
      return false;
    }
    Sleep(50);
  }
}

bool Win32FileSystem::RemoveAtRestart(const Text& path) {
  return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

bool Win32FileSystem::FinalPath(const Text& path, Text& out) {
  // No access asked: opening a file in use or a folder still works.
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char buffer[32768];
  const DWORD n = GetFinalPathNameByHandleA(h, buffer, sizeof buffer, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  ::CloseHandle(h);
  if (n == 0 || n >= sizeof buffer) return false;
  Text final(buffer, n);
  if (final.rfind("\\\\?\\UNC\\", 0) == 0) final = "\\\\" + final.substr(8);
  else if (final.rfind("\\\\?\\", 0) == 0) final = final.substr(4);
  out = final;
  return true;
}

bool Win32FileSystem::ReadAll(const Text& path, std::string& data) {
  File f(path, GENERIC_READ, OPEN_EXISTING);
  if (!f.ok()) return false;
  std::string out;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(f.get(), buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) break;
    out.append(buffer, got);
  }
  data = std::move(out);
  return true;
}

bool Win32FileSystem::ReadPieces(const Text& path, const PieceSink& take) {
  File f(path, GENERIC_READ, OPEN_EXISTING);
  if (!f.ok()) return false;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(f.get(), buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) return true;
    take(buffer, got);
  }
}

size_t BareWalk(const Text& folder) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  size_t count = 0;
  std::vector<Text> subs;
  do {
    const char* n = fd.cFileName;
    if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
    ++count;
    if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      subs.push_back(folder + "\\" + n);
  } while (FindNextFileA(h, &fd));
  ::FindClose(h);
  for (const Text& sub : subs) count += BareWalk(sub);
  return count;
}

bool Win32FileSystem::WriteAll(const Text& path, const std::string& data) {
  File f(path, GENERIC_WRITE, CREATE_ALWAYS);
  return f.ok() && f.WriteAllOf(data) && FlushFileBuffers(f.get());
}

bool Win32FileSystem::FlushFile(const Text& path) {
  // Flushing needs write access: a read-only file is opened with its flag
  // off for the moment.
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  const bool readOnly = attributes & FILE_ATTRIBUTE_READONLY;
  if (readOnly && !SetFileAttributesA(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY))) return false;
  bool flushed = false;
  {
    File f(path, GENERIC_WRITE, OPEN_EXISTING);
    flushed = f.ok() && FlushFileBuffers(f.get());
  }
  if (readOnly) SetFileAttributesA(path.c_str(), attributes);
  return flushed;
}

bool Win32FileSystem::Append(const Text& path, const std::string& data) {
  File f(path, FILE_APPEND_DATA, OPEN_ALWAYS);
  return f.ok() && f.WriteAllOf(data);
}

}  // namespace morvane::w32
