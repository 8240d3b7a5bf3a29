#include <gtest/gtest.h>

#include <deque>

#include "database/crypt.h"
#include "platform/simulated/machine.h"
#include "store/server_address.h"
#include "updater/updater.h"

namespace morvane::updater {
namespace {

// An enciphered database of exactly size bytes (a comment fills it up).
std::string Database(size_t size, const std::vector<Text>& records = {"path|%WinDir%\\evil.exe|Adware|"}) {
  std::string out;
  auto add = [&](const Text& line) { out += modCrypt::EncryptString(line, kDatabaseKey) + "\r\n"; };
  add("Test database 1");
  for (const Text& r : records) add(r);
  const size_t filler = size - out.size() - 2;
  add("#" + std::string(filler - 1, 'x'));
  return out;
}

// A server answer played back through the transfer interface.
struct Response {
  int status = 200;
  bool contentLength = true;
  std::string body;
  int64_t announced = -1;  // Content-Length when it differs from the body
  bool networkError = false;
  std::vector<size_t> chunks = {};  // sizes GetChunk hands out (default 1024)
};

// Stands in for the signature service: a signature is a keyed checksum of
// the data, so tests sign without private keys on both builds. The real
// checks have their contract test and Tessarin's window test.
class ChecksumSignatures : public ISignatures {
 public:
  static std::string Sign(const std::string& key, const std::string& data) {
    uint64_t h = 1469598103934665603ull;
    for (char c : key + data) h = (h ^ uint8_t(c)) * 1099511628211ull;
    std::string out;
    for (uint64_t i = 0; i < 8; ++i) {
      h = (h ^ i) * 1099511628211ull;
      out.append(reinterpret_cast<const char*>(&h), sizeof h);
    }
    return out;
  }
  bool VerifyP256(const std::string& key, const std::string& data, const std::string& signature) override {
    return key.size() == kPublicKeySize && signature == Sign(key, data);
  }
};
const std::string kPublisher(64, 'P'), kStranger(64, 'S');

class ScriptedTransfer : public ITransfer {
 public:
  std::deque<Response> script;  // one per database request; the last repeats
  // One per signature request; the last repeats. Empty: a good signature of the body.
  std::deque<Response> sigScript;
  int executed = 0;
  std::deque<int> states;  // to deliver
  void Execute(const Text& url, const Text& verb, uint64_t maxBody) override {
    ++executed;
    lastUrl = url;
    const bool sig = url.size() > 4 && url.substr(url.size() - 4) == ".sig";
    if (sig && sigScript.empty()) {
      current = Response{200, true, ChecksumSignatures::Sign(kPublisher, current.body)};
    } else {
      auto& from = sig ? sigScript : script;
      current = from.size() > 1 ? from.front() : from.back();
      if (from.size() > 1) from.pop_front();
    }
    pos = 0;
    chunkIndex = 0;
    busy = true;
    states = current.networkError ? std::deque<int>{kRequesting, kError}
                                  : std::deque<int>{kRequesting, kResponseReceived, kResponseCompleted};
    // More than it may bring stops the transfer, as the real one does.
    if (current.body.size() > BodyAllowance(GetHeader(), maxBody)) states.back() = kError;
  }
  Text GetHeader() override {
    const Text length = current.contentLength ? "Content-Length: " + GetHeader("Content-Length") + "\r\n" : "";
    return "HTTP/1.1 " + std::to_string(current.status) + " X\r\n" + length;
  }
  Text GetHeader(const Text& name) override {
    if (name != "Content-Length" || !current.contentLength) return Text();
    return std::to_string(current.announced >= 0 ? current.announced : int64_t(current.body.size()));
  }
  int StatusCode() override { return current.status; }
  std::string GetChunk(size_t maxBytes) override {
    size_t n = std::min(maxBytes, current.body.size() - pos);
    if (chunkIndex < current.chunks.size()) n = std::min(n, current.chunks[chunkIndex++]);
    std::string out = current.body.substr(pos, n);
    pos += n;
    return out;
  }
  void Cancel() override {
    busy = false;
    states.clear();
  }
  bool Busy() override { return busy; }

  Response current;
  Text lastUrl;
  size_t pos = 0, chunkIndex = 0;
  bool busy = false;
};

class RecordingView : public IUpdaterView {
 public:
  std::vector<Text> statuses;
  std::vector<int> progress;
  Text headers;
  int completed = 0;
  void SetStatus(const Text& t) override { statuses.push_back(t); }
  void SetProgress(int p) override { progress.push_back(p); }
  void SetHeaders(const Text& t) override { headers = t; }
  void ShowCompleted() override { ++completed; }
};

class UpdaterTest : public testing::Test {
 protected:
  void SetUp() override { fs().AddFile(folder + "\\Tessarin.ini", "Server=http://127.0.0.1:8123\r\n"); }
  sim::SimFileSystem& fs() { return machine.files; }
  // Presses the button and delivers every state change until nothing is left.
  void Press() {
    Updater u(fs(), signatures, {{"publisher key", kPublisher}}, inet, view, folder, [] {});
    u.UpdateNowPressed();
    while (!inet.states.empty()) {
      int s = inet.states.front();
      inet.states.pop_front();
      if (s == kError || s == kResponseCompleted) inet.busy = false;
      u.StateChanged(s);
    }
    retriesLeft = u.retries();
  }
  // The answers of the next press, counted and shown afresh.
  void Serve(std::deque<Response> script, std::deque<Response> sigScript = {}) {
    inet.script = std::move(script);
    inet.sigScript = std::move(sigScript);
    inet.executed = 0;
    view = RecordingView();
  }
  // The installed database (none for nullptr), without a signature.
  void Installed(const char* data, uint32_t attributes = win::kAttrArchive) {
    fs().RemoveFile(folder + "\\DataBase.ref.sig");
    fs().RemoveFile(folder + "\\DataBase.ref");
    if (data) fs().AddFile(folder + "\\DataBase.ref", data, attributes);
  }
  std::string Read(const Text& name) {
    std::string d;
    return fs().ReadAll(folder + "\\" + name, d) ? d : "<missing>";
  }
  bool Has(const Text& name) { return fs().Exists(folder + "\\" + name); }
  // The pair in place, nothing left over, and the status; only an install completes.
  void ExpectPair(const std::string& database, const std::string& signature, const Text& status,
                  const std::string& what) {
    EXPECT_EQ(Read("DataBase.ref"), database) << what;
    EXPECT_EQ(Read("DataBase.ref.sig"), signature) << what;
    EXPECT_FALSE(Has("DataBase.tmp")) << what;
    EXPECT_FALSE(Has("DataBase.sig.tmp")) << what;
    EXPECT_EQ(view.statuses.back(), status) << what;
    EXPECT_EQ(view.completed, status == kInstalled ? 1 : 0) << what;
  }
  void ExpectInstalled(const std::string& body, const std::string& what) {
    ExpectPair(body, ChecksumSignatures::Sign(kPublisher, body), kInstalled, what);
  }
  sim::SimulatedMachine machine;
  ChecksumSignatures signatures;
  ScriptedTransfer inet;
  RecordingView view;
  Text folder = "C:\\Program Files\\Morvane";
  int retriesLeft = -1;
};

// The installed database itself: nothing is installed, no signature asked.
TEST_F(UpdaterTest, OnlyTheSameBytesAreUpToDate) {
  const std::string installed = Database(300);
  fs().AddFile(folder + "\\DataBase.ref", installed);
  Serve({Response{200, true, installed}});
  Press();
  EXPECT_EQ(inet.lastUrl, "http://127.0.0.1:8123/DataBase.ref");
  EXPECT_EQ(view.statuses.back(), kUpToDate);
  EXPECT_EQ(Read("DataBase.ref"), installed);
  EXPECT_FALSE(Has("DataBase.tmp"));
  EXPECT_EQ(view.completed, 0);
}

TEST_F(UpdaterTest, EveryOtherGoodDatabaseIsInstalled) {
  const std::string same = Database(300), newer = Database(300, {"path|%WinDir%\\worse.exe|Adware|"});
  ASSERT_EQ(same.size(), newer.size());
  ASSERT_NE(same, newer);
  const struct {
    const char* name;
    const char* installed;
    uint32_t attributes;
    std::string served;
  } cases[] = {
      // Records that removal would refuse or skip are no reason to refuse the update.
      {"records removal refuses or skips", nullptr, win::kAttrArchive,
       Database(500, {"folder|%WinDir%|Adware|", "regkey|HKEY_LOCAL_MACHINE\\Software|X|", "file|*.dll|Adware|",
                      "zzzz|something|Adware|"})},
      {"same size, other bytes", same.c_str(), win::kAttrArchive, newer},
      {"different size, read-only", "old", win::kAttrReadOnly, Database(300)},
  };
  for (const auto& c : cases) {
    Installed(c.installed, c.attributes);
    Serve({Response{200, true, c.served}});
    Press();
    ExpectInstalled(c.served, c.name);
  }
}

TEST_F(UpdaterTest, MissingDatabaseIsInstalledFromChunks) {
  const std::string body = Database(2500);
  Response r{200, true, body};
  r.chunks = {1024, 1024, 452};
  Serve({r});
  Press();
  ExpectInstalled(body, "chunked");
  EXPECT_EQ(inet.lastUrl, "http://127.0.0.1:8123/DataBase.ref.sig");
  EXPECT_EQ(view.statuses,
            (std::vector<Text>{kRequestingText, kRetrieving, "Currently downloaded 1024 of total 2500 bytes.",
                               "Currently downloaded 2048 of total 2500 bytes.", kInstalled}));
  ASSERT_GE(view.progress.size(), 3u);
  EXPECT_EQ(view.progress[0], 82);
  EXPECT_EQ(view.progress[1], 100);
  EXPECT_EQ(view.progress.back(), 0);  // cleared afterwards
  EXPECT_EQ(view.headers, "");
}

// Error pages, transfer errors and downloads cut short never replace the
// database; only what may come whole next time is asked again.
TEST_F(UpdaterTest, FailedDownloadsKeepTheInstalledDatabase) {
  Response noLength{200, false, "whatever"}, down, huge{200, true, "x"}, cut{200, true, std::string(600, 'c')};
  down.networkError = true;
  huge.announced = int64_t(kDatabaseLimit) + 1;  // larger than any is allowed to be
  cut.announced = 2500;
  const struct {
    const char* name;
    Response response;
    int executed;
  } cases[] = {
      {"no Content-Length", noLength, kMaxRetries + 1},
      {"404", Response{404, true, "<html>not found</html>"}, 1},
      {"500", Response{500, true, "<html>not found</html>"}, 1},
      {"network error", down, 1},
      {"announced over the limit", huge, 1},
      {"cut short", cut, kMaxRetries + 1},
  };
  for (const auto& c : cases) {
    Installed("good");
    Serve({c.response});
    Press();
    ExpectPair("good", "<missing>", kErrorText, c.name);
    EXPECT_EQ(inet.executed, c.executed) << c.name;
    EXPECT_EQ(retriesLeft, 0) << c.name;
  }
}

TEST(UpdaterTransfer, ABodyMayBringItsContentLengthWithinTheCap) {
  const struct {
    const char* headers;
    uint64_t allowed;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n", 10},
      {"HTTP/1.1 200 OK\r\ncontent-length:  \t99\r\n", 99},
      {"HTTP/1.1 200 OK\r\nContent-Length: 101\r\n", 100},
      {"HTTP/1.1 200 OK\r\n", 100},
      {"HTTP/1.1 200 OK\r\nContent-Length: 1x\r\n", 100},
      {"HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n", 100},
  };
  for (const auto& c : cases) EXPECT_EQ(BodyAllowance(c.headers, 100), c.allowed) << c.headers;
}

// A retry that gets the whole file after a download cut short installs it.
TEST_F(UpdaterTest, ARetryAfterADownloadCutShortInstallsIt) {
  fs().AddFile(folder + "\\DataBase.ref", "good database");
  Response cut{200, true, std::string(600, 'c')};
  cut.announced = 2500;
  Serve({cut, Response{200, true, Database(2500)}});
  Press();
  ExpectInstalled(Database(2500), "database cut short");

  // So does a retry after a signature cut short: that is no bad signature.
  const std::string next = Database(2600), sig = ChecksumSignatures::Sign(kPublisher, next);
  Response cutSig{200, true, sig.substr(0, 20)};
  cutSig.announced = int64_t(sig.size());
  Serve({Response{200, true, next}}, {cutSig, Response{200, true, sig}});
  Press();
  ExpectInstalled(next, "signature cut short");
}

// A complete download that is not a database never replaces the installed
// one, and asking again would only fetch the same.
TEST_F(UpdaterTest, ADownloadThatIsNoDatabaseKeepsTheInstalledOne) {
  const std::string unsplit = Database(400, {"path|%WinDir%\\evil.exe|Adware|", "just some words"});
  for (const std::string& body : {std::string("<html><body>Service unavailable</body></html>"), std::string(),
                                  std::string("\x00\xff\x13garbage\r\n\x7f"), Database(200, {}), unsplit}) {
    Installed("good");
    Serve({Response{200, true, body}});
    Press();
    EXPECT_EQ(Read("DataBase.ref"), "good") << body;
    EXPECT_FALSE(Has("DataBase.tmp"));
    EXPECT_EQ(view.statuses.back().rfind(kNotDatabase, 0), 0u) << view.statuses.back();
    EXPECT_TRUE(view.statuses.back().ends_with("). The installed database was kept.")) << view.statuses.back();
    EXPECT_EQ(view.completed, 0);
    EXPECT_EQ(inet.executed, 1);
  }
  // With none installed, none is said to be kept.
  Installed(nullptr);
  Press();
  EXPECT_EQ(view.statuses.back().rfind(kNotDatabase, 0), 0u) << view.statuses.back();
  EXPECT_TRUE(view.statuses.back().ends_with(").")) << view.statuses.back();
  EXPECT_EQ(view.statuses.back().find("kept"), Text::npos) << view.statuses.back();
}

// The pair is installed only when the signature holds for a trusted key;
// otherwise the old pair stays byte for byte and the status says why.
TEST_F(UpdaterTest, OnlyADatabaseSignedByThePublisherIsInstalled) {
  const std::string body = Database(2500), other = Database(2600);
  const std::string good = ChecksumSignatures::Sign(kPublisher, body);
  std::string flipped = good;
  flipped[17] ^= 0x04;
  // The first lines of the signed database, cut at a line end: still a database.
  const std::string cut = body.substr(0, body.find("\r\n", body.find("\r\n") + 2) + 2);
  struct Case {
    const char* name;
    std::string served;
    Response sig;
    const char* status;
  } cases[] = {
      {"flipped bit", body, Response{200, true, flipped}, kNotSigned},
      {"no signature", body, Response{404, true, "<html>not found</html>"}, kNoSignature},
      {"another database's", body, Response{200, true, ChecksumSignatures::Sign(kPublisher, other)}, kNotSigned},
      {"truncated database", cut, Response{200, true, good}, kNotSigned},
      {"another key's", body, Response{200, true, ChecksumSignatures::Sign(kStranger, body)}, kNotSigned},
      {"empty", body, Response{200, true, ""}, kNotSigned},
      {"too long", body, Response{200, true, good + std::string(5000, 'x')}, kNotSigned},
  };
  for (const Case& c : cases) {
    fs().AddFile(folder + "\\DataBase.ref", "old database");
    fs().AddFile(folder + "\\DataBase.ref.sig", "old signature");
    Serve({Response{200, true, c.served}}, {c.sig});
    Press();
    ExpectPair("old database", "old signature", c.status, c.name);
    EXPECT_EQ(inet.executed, 2) << c.name;  // asking again would fetch the same
    EXPECT_EQ(view.progress.back(), 0) << c.name;
  }
  // A download that cannot be flushed keeps the old pair, on every retry.
  for (uint64_t n = 1; n <= kMaxRetries + 1; ++n) machine.faults.FailCall("FlushFile", n);
  Serve({Response{200, true, body}});
  Press();
  ExpectPair("old database", "old signature", kErrorText, "not flushed");
  // The signature goes in first: when the database cannot be replaced, the
  // old one is left with a signature that fails, never the other way round.
  fs().SetLocked(folder + "\\DataBase.ref", true);
  Press();
  fs().SetLocked(folder + "\\DataBase.ref", false);
  ExpectPair("old database", good, kErrorText, "database locked");
  Press();
  ExpectInstalled(body, "unlocked");
}

TEST_F(UpdaterTest, PressWhileBusyIsIgnored) {
  inet.script = {Response{200, true, "abc"}};
  Updater u(fs(), signatures, {}, inet, view, folder, [] {});
  u.UpdateNowPressed();
  u.StateChanged(kRequesting);
  u.UpdateNowPressed();
  EXPECT_EQ(inet.executed, 1);
}

TEST(UpdaterConfig, ServerLineIsCheckedWithAClearMessage) {
  sim::SimFileSystem fs;
  Text url, error;
  EXPECT_FALSE(ReadServerAddress(fs, "C:\\T", url, error));
  EXPECT_NE(error.find("Tessarin.ini"), Text::npos);
  fs.AddFile("C:\\T\\Tessarin.ini", "# update server\r\nServer=http://updates.example:8080/\r\n");
  ASSERT_TRUE(ReadServerAddress(fs, "C:\\T", url, error));
  EXPECT_EQ(url, "http://updates.example:8080/DataBase.ref");
  for (const char* bad : {"Server=ftp://x", "Server=http://", "Server=http://h:99999", "Server=http://h/x",
                          "nothing here"}) {
    fs.AddFile("C:\\T\\Tessarin.ini", bad);
    error.clear();
    EXPECT_FALSE(ReadServerAddress(fs, "C:\\T", url, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  // Pressing the button with a bad file shows the message and starts nothing.
  ScriptedTransfer inet;
  RecordingView view;
  ChecksumSignatures signatures;
  Updater u(fs, signatures, {}, inet, view, "C:\\T", [] {});
  u.UpdateNowPressed();
  EXPECT_EQ(inet.executed, 0);
  ASSERT_EQ(view.statuses.size(), 1u);
  EXPECT_NE(view.statuses[0].find("Tessarin.ini"), Text::npos);
}

}  // namespace
}  // namespace morvane::updater
