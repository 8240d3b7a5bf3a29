// Owners of the services' handles: each closes its handle on every path.
#pragma once
#include <utility>

#include "platform/services.h"

namespace morvane {

// An open registry key.
class RegKey {
 public:
  explicit RegKey(IRegistry& reg) : reg_(&reg) {}
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& o) noexcept : reg_(o.reg_), key_(std::exchange(o.key_, 0)) {}
  ~RegKey() { Close(); }

  int32_t OpenEx(win::HKey parent, const Text& sub, uint32_t access) {
    Close();
    return reg_->OpenKeyEx(parent, sub, access, key_);
  }
  int32_t Open(win::HKey parent, const Text& sub) {
    Close();
    return reg_->OpenKey(parent, sub, key_);
  }
  int32_t OpenLink(win::HKey parent, const Text& sub, uint32_t access) {
    Close();
    return reg_->OpenLink(parent, sub, access, key_);
  }
  int32_t Create(win::HKey parent, const Text& sub) {
    Close();
    return reg_->CreateKey(parent, sub, key_);
  }
  void Close() {
    if (key_ != 0) reg_->CloseKey(std::exchange(key_, 0));
  }
  bool IsOpen() const { return key_ != 0; }
  win::HKey get() const { return key_; }

 private:
  IRegistry* reg_;
  win::HKey key_ = 0;
};

// A running directory search.
class FindHandleOwner {
 public:
  explicit FindHandleOwner(IFileSystem& fs) : fs_(&fs) {}
  FindHandleOwner(const FindHandleOwner&) = delete;
  FindHandleOwner& operator=(const FindHandleOwner&) = delete;
  ~FindHandleOwner() { Close(); }

  bool First(const Text& pattern, FindData& data) {
    Close();
    h_ = fs_->FindFirst(pattern, data);
    return h_ != IFileSystem::kInvalidFind;
  }
  bool Next(FindData& data) { return h_ != IFileSystem::kInvalidFind && fs_->FindNext(h_, data); }
  void Close() {
    if (h_ != IFileSystem::kInvalidFind) fs_->FindClose(std::exchange(h_, IFileSystem::kInvalidFind));
  }

 private:
  IFileSystem* fs_;
  IFileSystem::FindHandle h_ = IFileSystem::kInvalidFind;
};

// A process or snapshot handle.
class HandleOwner {
 public:
  HandleOwner(IProcesses& p, win::Handle h = 0) : p_(&p), h_(h) {}
  HandleOwner(const HandleOwner&) = delete;
  HandleOwner& operator=(const HandleOwner&) = delete;
  ~HandleOwner() { Close(); }
  void Reset(win::Handle h) {
    Close();
    h_ = h;
  }
  void Close() {
    if (h_ != 0) p_->CloseHandle(std::exchange(h_, 0));
  }
  win::Handle get() const { return h_; }
  explicit operator bool() const { return h_ != 0; }

 private:
  IProcesses* p_;
  win::Handle h_;
};

}  // namespace morvane
