// Control identifiers of Tessarin's window (the tests find controls by them).
#pragma once

namespace morvane::updater {
constexpr int kIdFrame = 100;
constexpr int kIdStatus = 101;
constexpr int kIdProgress = 102;
constexpr int kIdHeaders = 103;
constexpr int kIdFetch = 104;
constexpr int kIdExit = 105;
constexpr const char* kWindowClass = "TessarinMain";
constexpr const char* kMessageTitle = "Tessarin";
}  // namespace morvane::updater
