// Tessarin's handling of what the server and the transfer hand it: the
// status, header texts, Content-Length, chunk sequences, state changes in
// any order, the signature the server hands with it. The installed database
// is only ever replaced by a complete download that proves to be a database,
// together with a signature that holds for it.
#include "database/records.h"
#include "fuzz/fuzz_input.h"
#include "platform/simulated/machine.h"
#include "updater/updater.h"

using namespace morvane;
using namespace morvane::updater;

namespace {

class FuzzTransfer : public ITransfer {
 public:
  explicit FuzzTransfer(fuzz::Input& in) : in_(in) {}
  void Execute(const Text& url, const Text&, uint64_t) override {
    ++executed;
    busy = true;
    signature = url.size() > 4 && url.substr(url.size() - 4) == ".sig";
    if (signature) sigPos = 0;
  }
  Text GetHeader() override { return in_.Text(); }
  Text GetHeader(const Text&) override { return in_.Flag() ? Text() : in_.Text(); }
  int StatusCode() override {
    const int codes[] = {200, 200, 200, 404, 0, 206, 500, 301};
    return codes[in_.Pick(8)];
  }
  std::string GetChunk(size_t maxBytes) override {
    const std::string& from = signature ? sigBody : body;
    size_t& at = signature ? sigPos : pos;
    size_t n = std::min<size_t>(maxBytes, in_.Byte() * 4);
    n = std::min(n, from.size() - at);
    std::string out = from.substr(at, n);
    at += n;
    return out;
  }
  void Cancel() override { busy = false; }
  bool Busy() override { return busy; }

  std::string body, sigBody;
  size_t pos = 0, sigPos = 0;
  bool signature = false;
  int executed = 0;
  bool busy = false;

 private:
  fuzz::Input& in_;
};

struct NullView : IUpdaterView {
  void SetStatus(const Text&) override {}
  void SetProgress(int p) override { FUZZ_CHECK(p >= 0 && p <= 100); }
  void SetHeaders(const Text&) override {}
  void ShowCompleted() override {}
};

// A signature the fuzzer can find: 64 copies of the data's size's low byte.
struct SizeSignatures : ISignatures {
  bool VerifyP256(const std::string& key, const std::string& data, const std::string& signature) override {
    return key.size() == kPublicKeySize && signature == std::string(kSignatureSize, char(data.size()));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const Text folder = "C:\\Tessarin";
  sim::SimulatedMachine machine;
  machine.files.AddFile(folder + "\\Tessarin.ini", in.Flag() ? "Server=http://127.0.0.1:8080\r\n" : in.Text());
  const std::string installed = "installed database";
  machine.files.AddFile(folder + "\\DataBase.ref", installed);
  FuzzTransfer inet(in);
  inet.body = in.Text();
  inet.sigBody = in.Flag() ? std::string(64, char(inet.body.size())) : in.Text();
  NullView view;
  SizeSignatures signatures;
  Updater u(machine.files, signatures, {{"publisher key", std::string(64, 'k')}}, inet, view, folder, [] {});
  u.UpdateNowPressed();
  const int states[] = {kRequesting, kResponseReceived, kError, kResponseCompleted, 0, 99};
  for (int i = 0; i < 12 && !in.Empty(); ++i) {
    if (in.Pick(5) == 0) {
      u.UpdateNowPressed();
      inet.pos = 0;
    }
    u.StateChanged(states[in.Pick(6)]);
  }
  std::string now;
  FUZZ_CHECK(machine.files.ReadAll(folder + "\\DataBase.ref", now));
  if (now != installed) {
    // A download the headers called complete: some run of the body.
    FUZZ_CHECK(inet.body.find(now) != std::string::npos);
    Text why;
    FUZZ_CHECK(IsDatabase(CheckDatabaseFile(now), why));
    std::string sig;
    FUZZ_CHECK(machine.files.ReadAll(folder + "\\DataBase.ref.sig", sig));
    FUZZ_CHECK(signatures.VerifyP256(std::string(64, 'k'), now, sig));
  }
  FUZZ_CHECK(inet.executed <= 1 + 12 + kMaxRetries * 13);
  return 0;
}
