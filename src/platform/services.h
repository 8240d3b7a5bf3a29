// One interface per system service. The Win32 backend calls the real API
// (ANSI forms); the simulated backend is a Windows machine held in memory.
// Methods keep the API's success and failure outcomes; names avoid the
// API's A/W macro names so that <windows.h> cannot rename them.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/winapi_types.h"

namespace morvane {

// Registry (advapi32). Sizes and status codes as RegXxxA report them.
class IRegistry {
 public:
  virtual ~IRegistry() = default;
  // RegOpenKeyExA(parent, subKey, 0, access, &out). An empty subKey opens parent itself.
  virtual int32_t OpenKeyEx(win::HKey parent, const Text& subKey, uint32_t access, win::HKey& out) = 0;
  // RegOpenKeyA (default access).
  virtual int32_t OpenKey(win::HKey parent, const Text& subKey, win::HKey& out) = 0;
  // RegCreateKeyExA with KEY_ALL_ACCESS; creates every missing level.
  virtual int32_t CreateKey(win::HKey parent, const Text& subKey, win::HKey& out) = 0;
  // RegEnumKeyExA, but a character the code page lacks comes back as "?", never
  // as a look-alike. nameSize: buffer size in characters (NUL included) on
  // entry, name length without NUL on success. cls may be null; clsSize then ignored.
  virtual int32_t EnumKey(win::HKey key, uint32_t index, char* name, uint32_t& nameSize, char* cls,
                          uint32_t* clsSize) = 0;
  // RegEnumValueA. nameSize as for EnumKey; data and size as for QueryValue.
  virtual int32_t EnumValue(win::HKey key, uint32_t index, char* name, uint32_t& nameSize, uint32_t* type,
                            uint8_t* data, uint32_t* dataSize) = 0;
  // RegQueryValueExA. valueName null or empty = the default value. data may be
  // null to ask for the size. A buffer too small gives kMoreData with *dataSize
  // set to the size needed.
  virtual int32_t QueryValue(win::HKey key, const char* valueName, uint32_t* type, uint8_t* data,
                             uint32_t* dataSize) = 0;
  // RegSetValueExA.
  virtual int32_t SetValue(win::HKey key, const char* valueName, uint32_t type, const uint8_t* data,
                           uint32_t dataSize) = 0;
  // RegDeleteKeyA: refuses a key that has subkeys (NT family).
  virtual int32_t DeleteKey(win::HKey parent, const Text& subKey) = 0;
  // RegDeleteValueA.
  virtual int32_t DeleteValue(win::HKey key, const char* valueName) = 0;
  // RegCloseKey. Closing a predefined root is a no-op success.
  virtual int32_t CloseKey(win::HKey key) = 0;

  // Symbolic links (keys made with REG_OPTION_CREATE_LINK). A backend without
  // them opens every key as OpenKeyEx does and has none to delete.
  // RegOpenKeyExA with REG_OPTION_OPEN_LINK: a link opens as itself, with no
  // sub-keys, instead of as the key it points at.
  virtual int32_t OpenLink(win::HKey parent, const Text& subKey, uint32_t access, win::HKey& out) {
    return OpenKeyEx(parent, subKey, access, out);
  }
  // True when the key subKey names is itself a link (the way to it is
  // followed); target is then the key it points at, "HKEY_...\\path", or
  // empty when that is not a key this program can name.
  virtual bool LinkTarget(win::HKey parent, const Text& subKey, Text& target) {
    (void)parent;
    (void)subKey;
    target.clear();
    return false;
  }
  // Writes the hive that holds key to the disk (the registry otherwise keeps
  // its changes in memory for a while: a power cut can lose them).
  virtual int32_t FlushKey(win::HKey key) = 0;
  // Deletes the key subKey names when it is a link, never what it points at;
  // kFileNotFound when it is no link.
  virtual int32_t DeleteLink(win::HKey parent, const Text& subKey) {
    (void)parent;
    (void)subKey;
    return win::kFileNotFound;
  }
};

// What FindFirstFileA / FindNextFileA report of one entry.
struct FindData {
  uint32_t attributes = 0;
  uint32_t sizeHigh = 0;
  uint32_t sizeLow = 0;
  Text name;  // cFileName up to its NUL
  uint64_t Size() const { return (uint64_t(sizeHigh) << 32) | sizeLow; }
};

// Files (kernel32). Paths are full ANSI paths with drive letters.
class IFileSystem {
 public:
  using FindHandle = intptr_t;
  static constexpr FindHandle kInvalidFind = -1;
  virtual ~IFileSystem() = default;
  // FindFirstFileA with the platform's wildcard rules ("*", "?", "*.*").
  virtual FindHandle FindFirst(const Text& pattern, FindData& data) = 0;
  virtual bool FindNext(FindHandle h, FindData& data) = 0;
  virtual bool FindClose(FindHandle h) = 0;
  // GetFileAttributesA; kInvalidAttributes when the path does not exist.
  virtual uint32_t GetAttributes(const Text& path) = 0;
  // SetFileAttributesA.
  virtual bool SetAttributes(const Text& path, uint32_t attributes) = 0;
  // DeleteFileA: files only; fails on read-only files and folders.
  virtual bool RemoveFile(const Text& path) = 0;
  // CreateDirectoryA: one level; fails when it exists or the parent is missing.
  virtual bool MakeFolder(const Text& path) = 0;
  // RemoveDirectoryA: empty folders only.
  virtual bool RemoveFolder(const Text& path) = 0;
  // CopyFileA.
  virtual bool CopyTo(const Text& source, const Text& destination, bool failIfExists) = 0;
  // MoveFileExA(MOVEFILE_REPLACE_EXISTING): replaces an existing destination
  // file in one step; used to put a completely written file in place. While
  // another program briefly holds the destination open it is tried again.
  virtual bool MoveReplace(const Text& source, const Text& destination) = 0;
  // MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT): the file, or the
  // then empty folder, is deleted when the system next starts.
  virtual bool RemoveAtRestart(const Text& path) = 0;
  // Whole-file read; false when it cannot be opened.
  virtual bool ReadAll(const Text& path, std::string& data) = 0;
  // The same bytes passed to take in pieces, in order, without holding the
  // whole file; false when it cannot be opened or a read fails (take may
  // have had some pieces by then).
  using PieceSink = std::function<void(const char* piece, size_t size)>;
  virtual bool ReadPieces(const Text& path, const PieceSink& take) = 0;
  // Create or truncate, then write everything; false on any failure.
  virtual bool WriteAll(const Text& path, const std::string& data) = 0;
  // Open for append (created when missing), write everything.
  virtual bool Append(const Text& path, const std::string& data) = 0;
  // FlushFileBuffers: the file's bytes are on the disk when it returns true.
  // A copy or a move is not (a power cut can leave a copy empty after the
  // original's deletion was kept); WriteAll flushes by itself.
  virtual bool FlushFile(const Text& path) = 0;
  // GetFinalPathNameByHandleA: where an existing path leads once every link
  // on the way (a junction, a symbolic link) is followed, as a drive path;
  // false when that cannot be told.
  virtual bool FinalPath(const Text& path, Text& out) {
    (void)path;
    (void)out;
    return false;
  }
};

struct ProcessEntry {
  uint32_t processId = 0;
  Text exeFile;  // szExeFile up to its NUL
};

struct OsVersion {
  uint32_t platformId = 2;  // VER_PLATFORM_WIN32_NT
  uint32_t major = 5;
  uint32_t minor = 1;
};

// Processes and top-level windows (kernel32, user32).
class IProcesses {
 public:
  virtual ~IProcesses() = default;
  // CreateToolhelp32Snapshot; 0 when it cannot be taken.
  virtual win::Handle CreateSnapshot(uint32_t flags, uint32_t processId) = 0;
  // Process32First / Process32Next.
  virtual bool FirstProcess(win::Handle snapshot, ProcessEntry& entry) = 0;
  virtual bool NextProcess(win::Handle snapshot, ProcessEntry& entry) = 0;
  // QueryFullProcessImageNameA on an OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION)
  // handle: the full path of the process's program file; false when it cannot be read.
  virtual bool ImagePath(uint32_t processId, Text& path) = 0;
  // GetVersionExA; false when it fails.
  virtual bool GetVersionInfo(OsVersion& version) = 0;
  // GetDesktopWindow, GetWindow, GetParent, GetWindowThreadProcessId, PostMessageA.
  virtual win::HWnd DesktopWindow() = 0;
  virtual win::HWnd GetWindow(win::HWnd window, uint32_t command) = 0;
  virtual win::HWnd GetParent(win::HWnd window) = 0;
  virtual uint32_t WindowProcessId(win::HWnd window) = 0;
  virtual bool Post(win::HWnd window, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
  // OpenProcess; 0 when it fails.
  virtual win::Handle OpenProcess(uint32_t access, bool inherit, uint32_t processId) = 0;
  virtual bool TerminateProcess(win::Handle process, uint32_t exitCode) = 0;
  // CreateProcessA(no application name, cmdLine, inherit handles, 0x20, STARTUPINFO with
  // STARTF_USESHOWWINDOW and show). Returns the process handle, 0 when it cannot start.
  virtual win::Handle Launch(const Text& commandLine, uint16_t show) = 0;
  // WaitForSingleObject.
  virtual uint32_t Wait(win::Handle h, uint32_t milliseconds) = 0;
  // CloseHandle (snapshots, processes).
  virtual bool CloseHandle(win::Handle h) = 0;
};

// Shell (shell32).
class IShell {
 public:
  virtual ~IShell() = default;
  // SHFileOperationA with one source and one destination; returns its status
  // (0 = success). A question the user answered No to, or a cancel, is no success.
  virtual int32_t FileOperation(uint32_t operation, const Text& from, const Text& to, uint16_t flags) = 0;
  // ShellExecuteA; the result is greater than 32 on success.
  virtual intptr_t Execute(win::HWnd owner, const Text& verb, const Text& file, const Text& parameters,
                           const Text& directory, int show) = 0;
};

// System folders and the program's own folder (kernel32).
class ISystemInfo {
 public:
  virtual ~ISystemInfo() = default;
  // GetSystemDirectoryA / GetWindowsDirectoryA / GetTempPathA into a buffer of
  // bufferSize characters; the count written, 0 on failure.
  virtual uint32_t SystemDirectory(char* buffer, uint32_t bufferSize) = 0;
  virtual uint32_t WindowsDirectory(char* buffer, uint32_t bufferSize) = 0;
  virtual uint32_t TempPath(uint32_t bufferSize, char* buffer) = 0;
  // The folder of the running program file, without a trailing "\".
  virtual Text ProgramFolder() = 0;
  // GetLocaleInfoA: the characters written, NUL included; with size 0 the
  // size needed; 0 on failure.
  virtual int32_t LocaleInfo(uint32_t locale, uint32_t type, char* buffer, int32_t size) = 0;
};

struct DateTime {
  int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

class IClock {
 public:
  virtual ~IClock() = default;
  virtual DateTime Now() = 0;
  // The date in the system's short date format.
  virtual Text ShortDate(const DateTime& when) = 0;
};

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgResult { Ok, Cancel, Yes, No };

// Message boxes; tests answer them.
class IMessages {
 public:
  virtual ~IMessages() = default;
  // An empty title means the program's default title.
  virtual MsgResult Show(const Text& text, const Text& title, MsgButtons buttons, MsgIcon icon) = 0;
  // A box is up: its modal loop still runs the window's timers.
  virtual bool Showing() const { return false; }
};

// What WSAStartup reports of the sockets implementation (WSADATA).
struct WsaData {
  uint16_t version = 0;      // wVersion: low byte major, high byte minor
  uint16_t highVersion = 0;  // wHighVersion
  uint16_t maxSockets = 0;   // iMaxSockets
};

// The fields of a host record (HOSTENT) that are read.
struct HostEntry {
  int16_t addressLength = 0;           // h_length
  std::vector<std::string> addresses;  // h_addr_list, each addressLength bytes
};

// Windows Sockets 1.1 (wsock32).
class ISockets {
 public:
  virtual ~ISockets() = default;
  static constexpr int32_t kSocketError = -1;
  // WSAStartup: 0 on success, else an error code.
  virtual int32_t Startup(uint16_t versionRequested, WsaData& data) = 0;
  // WSACleanup: 0 on success.
  virtual int32_t Cleanup() = 0;
  // WSAGetLastError.
  virtual int32_t LastError() = 0;
  // gethostname into a buffer of size characters: 0 or kSocketError.
  virtual int32_t HostName(char* name, int32_t size) = 0;
  // gethostbyname: false when it returns no record.
  virtual bool HostByName(const Text& name, HostEntry& entry) = 0;
};

// Signature checks (bcrypt): ECDSA on the P-256 curve over the SHA-256
// digest of the data.
class ISignatures {
 public:
  virtual ~ISignatures() = default;
  static constexpr size_t kPublicKeySize = 64;  // X then Y, 32 bytes each, big-endian
  static constexpr size_t kSignatureSize = 64;  // r then s, 32 bytes each, big-endian
  // True only when signature is a valid signature of data made with the
  // private half of publicKey; every malformed argument is false.
  virtual bool VerifyP256(const std::string& publicKey, const std::string& data, const std::string& signature) = 0;
};

// The checker of the build's own system: CNG in the Windows programs,
// OpenSSL's libcrypto natively. Signatures are real on both machines.
class HostSignatures : public ISignatures {
 public:
  bool VerifyP256(const std::string& publicKey, const std::string& data, const std::string& signature) override;
};

// Every service of one machine.
struct Platform {
  IRegistry& registry;
  IFileSystem& files;
  IProcesses& processes;
  IShell& shell;
  ISystemInfo& system;
  IClock& clock;
  IMessages& messages;
  ISockets& sockets;
  ISignatures& signatures;
};

constexpr const char* kDefaultTitle = "Morvane";

}  // namespace morvane
