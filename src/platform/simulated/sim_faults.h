// Power and faults of the simulated machine, shared by its services.
//  - Mutating calls (file create, write, delete, move, copy, attribute change;
//    folder create and remove; key create and delete, value set and delete;
//    registry editor import and export; process end) are counted. With
//    CrashAfter(K) the K-th of them is carried out and then the power goes:
//    every later call, reads included, fails as on a machine that stopped
//    (reads find nothing, so the dying program winds down without touching
//    anything). The machine's Restart brings the power back.
//  - FailCall(name, n) makes the n-th call of one operation fail as the API
//    would report it (the operation's name as its method is named, e.g.
//    "WriteAll", "CopyTo", "DeleteKey", "Import", "TerminateProcess"); counted
//    from the call, each call of the operation once.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace morvane::sim {

class SimFaults {
 public:
  // 0 switches the crash off.
  void CrashAfter(uint64_t k) { crashAfter_ = k; }
  uint64_t MutatingCalls() const { return mutating_; }
  bool PowerOff() const { return powerOff_; }
  // Bring the power back; the crash switch and the injected faults are cleared.
  void PowerOn() {
    powerOff_ = false;
    crashAfter_ = 0;
    failAt_.clear();
    calls_.clear();
    counting_ = false;
    mutating_ = 0;
  }
  void FailCall(const std::string& operation, uint64_t nth) { failAt_[operation].insert(calls_[operation] + nth); }
  // Calls are counted once FailCall or CountCalls was used.
  void CountCalls() { counting_ = true; }
  uint64_t Calls(const std::string& operation) const {
    auto it = calls_.find(operation);
    return it == calls_.end() ? 0 : it->second;
  }

  // At the start of a mutating call: false when it must fail.
  bool Mutate(const char* operation) {
    if (powerOff_ || Injected(operation)) return false;
    ++mutating_;
    if (crashAfter_ != 0 && mutating_ >= crashAfter_) powerOff_ = true;  // this one still lands
    return true;
  }
  // At the start of any other call: false when it must fail.
  bool Read(const char* operation) { return !powerOff_ && !Injected(operation); }

 private:
  bool Injected(const char* operation) {
    if (failAt_.empty() && !counting_) return false;
    uint64_t n = ++calls_[operation];
    auto it = failAt_.find(operation);
    return it != failAt_.end() && it->second.count(n) > 0;
  }
  uint64_t crashAfter_ = 0;
  uint64_t mutating_ = 0;
  bool powerOff_ = false;
  bool counting_ = false;
  std::map<std::string, uint64_t> calls_;
  std::map<std::string, std::set<uint64_t>> failAt_;
};

}  // namespace morvane::sim
