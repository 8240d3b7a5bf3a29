// The status screen's values and the local host's address through Windows
// Sockets 1.1 (modRetrieveIP).
#pragma once
#include <cstdint>
#include <functional>

#include "platform/context.h"
#include "shell/main_view.h"
#include "store/app_state.h"

namespace morvane {

constexpr uint16_t kSocketsVersion = 257;  // 1.1
constexpr int kMinSockets = 1;
constexpr int kHostNameBuffer = 256;

inline uint8_t LowByte(uint16_t w) { return uint8_t(w & 0xFF); }
inline uint8_t HighByte(uint16_t w) { return uint8_t(w >> 8); }

class RetrieveIP {
 public:
  explicit RetrieveIP(Context& ctx) : ctx_(ctx) {}
  // The dotted address of the local host name; empty after a failure, whose
  // message has been shown.
  Text GetHostIPAddress();
  bool StartSockets();
  void StopSockets();

 private:
  void Message(const Text& text);
  Context& ctx_;
};

// Fills the status screen: address, statistics, ignore list size and the
// number of entries in the quarantine folder (listed into quarantinedFiles).
void StatusInfoDisplay(Context& ctx, AppState& app, const std::function<void(Label, const Text&)>& setCaption,
                       ListBox& lstQuarantinedFiles);

}  // namespace morvane
