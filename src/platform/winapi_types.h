// Status codes, flags and handle types of the system services, with the
// values the Windows API gives them. Shared by both backends and the modules.
#pragma once
#include <cstdint>
#include <string>

namespace morvane {

// Text is bytes in the ANSI code page (Windows-1252 where one must be chosen).
using Text = std::string;

namespace win {
// Status codes (winerror.h).
constexpr int32_t kSuccess = 0;
constexpr int32_t kFileNotFound = 2;
constexpr int32_t kPathNotFound = 3;
constexpr int32_t kAccessDenied = 5;
constexpr int32_t kInvalidHandle = 6;
constexpr int32_t kInvalidParameter = 87;
constexpr int32_t kMoreData = 234;
constexpr int32_t kNoMoreItems = 259;
constexpr int32_t kKeyDeleted = 1018;

// Registry.
using HKey = uintptr_t;
constexpr HKey kClassesRoot = 0x80000000u;
constexpr HKey kCurrentUser = 0x80000001u;
constexpr HKey kLocalMachine = 0x80000002u;
constexpr HKey kUsers = 0x80000003u;
constexpr HKey kPerformanceData = 0x80000004u;
constexpr HKey kCurrentConfig = 0x80000005u;
constexpr HKey kDynData = 0x80000006u;

constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kKeyCreateSubKey = 0x0004;
constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
constexpr uint32_t kKeyNotify = 0x0010;
constexpr uint32_t kKeyCreateLink = 0x0020;
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyWrite = 0x20006;
constexpr uint32_t kKeyAllAccess = 0xF003F;

constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;
constexpr uint32_t kRegQword = 11;

// Files.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;
constexpr uint32_t kAttrTemporary = 0x100;
constexpr uint32_t kAttrSparse = 0x200;
constexpr uint32_t kAttrReparsePoint = 0x400;
constexpr uint32_t kAttrCompressed = 0x800;
constexpr uint32_t kAttrOffline = 0x1000;
constexpr uint32_t kAttrNotIndexed = 0x2000;
constexpr uint32_t kAttrEncrypted = 0x4000;
constexpr uint32_t kAttrRecallOnOpen = 0x40000;
constexpr uint32_t kAttrPinned = 0x80000;
constexpr uint32_t kAttrUnpinned = 0x100000;
constexpr uint32_t kAttrRecallOnDataAccess = 0x400000;
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// Locale information (GetLocaleInfoA).
constexpr uint32_t kLocaleUserDefault = 0x0400;
constexpr uint32_t kLocaleSDecimal = 0x000E;

// Shell file operations (SHFILEOPSTRUCT).
constexpr uint32_t kFoMove = 1;
constexpr uint32_t kFoCopy = 2;
constexpr uint32_t kFoDelete = 3;
constexpr uint16_t kFofSilent = 0x0004;
constexpr uint16_t kFofNoConfirmation = 0x0010;
constexpr uint16_t kFofNoConfirmMkdir = 0x0200;
constexpr uint16_t kFofNoErrorUi = 0x0400;

// Processes and windows.
using Handle = uintptr_t;  // 0 = none
using HWnd = uintptr_t;    // 0 = none
constexpr uint32_t kTh32csSnapAll = 15;
constexpr uint32_t kProcessTerminate = 0x0001;
constexpr uint32_t kSynchronize = 0x00100000;
constexpr uint32_t kGwHwndNext = 2;
constexpr uint32_t kGwChild = 5;
constexpr uint32_t kWmClose = 0x0010;
constexpr uint32_t kWmEndSession = 0x0016;
constexpr uint32_t kWaitObject0 = 0;
constexpr uint32_t kWaitTimeout = 258;
constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;
constexpr uint32_t kInfinite = 0xFFFFFFFFu;
constexpr int kSwHide = 0;
constexpr int kSwNormal = 1;
}  // namespace win

}  // namespace morvane
