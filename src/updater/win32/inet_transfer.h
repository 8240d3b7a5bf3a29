// The transfer component on WinINet: a worker thread makes the request and
// posts each state change to the window, which hands it to the logic.
#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "updater/transfer.h"

namespace morvane::updater {

// Posted to the window: wParam = state code, lParam = request number.
constexpr UINT kStateMessage = WM_APP + 1;

class InetTransfer : public ITransfer {
 public:
  explicit InetTransfer(HWND window) : window_(window) {}
  ~InetTransfer() override { Cancel(); }
  void Execute(const Text& url, const Text& verb, uint64_t maxBody) override;
  Text GetHeader() override;
  Text GetHeader(const Text& name) override;
  int StatusCode() override;
  std::string GetChunk(size_t maxBytes) override;
  void Cancel() override;
  bool Busy() override { return busy_; }

  // The window's side: is this message of the running request? Clears Busy
  // after the request's last state.
  bool Accept(WPARAM state, LPARAM request);

 private:
  struct Request;
  HWND window_;
  std::shared_ptr<Request> current_;
  std::atomic<long> serial_{0};
  bool busy_ = false;
};

}  // namespace morvane::updater
