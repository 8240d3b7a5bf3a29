// Tessarin's window logic: the state handling of the transfer, the retry rule
// and the install decision. The window itself only shows it.
#pragma once
#include <functional>

#include "database/signature.h"
#include "platform/services.h"
#include "updater/transfer.h"

namespace morvane::updater {

inline constexpr const char* kCaption = "Morvane DataBase Update";
inline constexpr const char* kInitialStatus = "Click Update Now button to start download.";
inline constexpr const char* kRequestingText = "Requesting file...";
inline constexpr const char* kUpToDate = "Updates currently not available, your version of Morvane is up to date.";
inline constexpr const char* kErrorText = "Error while downloading update. Please try later.";
inline constexpr const char* kRetrieving = "File available. Retrieving...";
inline constexpr const char* kInstalled =
    "Update installed successfully. Please restart Morvane to start using the new database.";
inline constexpr const char* kDownloadCompleted = "Download completed!";
inline constexpr const char* kNotDatabase = "The downloaded file is not a valid database";
inline constexpr const char* kNotSigned =
    "The downloaded database is not signed by its publisher. Nothing was installed.";
inline constexpr const char* kNoSignature =
    "No signature was found for the downloaded database. Nothing was installed.";
inline constexpr int kMaxRetries = 5;
// The most a database's body may bring; a larger one fails as a transfer.
inline constexpr uint64_t kDatabaseLimit = 64u << 20;
// More than this is no signature.
inline constexpr uint64_t kSignatureLimit = 4096;

class IUpdaterView {
 public:
  virtual ~IUpdaterView() = default;
  virtual void SetStatus(const Text& text) = 0;
  virtual void SetProgress(int percent) = 0;
  virtual void SetHeaders(const Text& text) = 0;
  // "Download completed!" with an information icon and an OK button.
  virtual void ShowCompleted() = 0;
};


// "The downloaded file is not a valid database (why)." and, when a database
// is installed, " The installed database was kept."
Text NotDatabaseText(const Text& why, bool installed);

// After "DataBase.ref" its signature "DataBase.ref.sig" is fetched from the
// same folder of the server; the pair is installed only when the signature
// holds for one of keys: the signature first, the database last.
class Updater {
 public:
  Updater(IFileSystem& fs, ISignatures& signatures, std::vector<TrustedKey> keys, ITransfer& inet, IUpdaterView& view,
          Text programFolder, std::function<void()> yield);

  // The "&Update Now" button; a press while a transfer runs is ignored.
  void UpdateNowPressed();
  // A new request from the start.
  void cmdFetch_Click();
  void StateChanged(int state);

  int retries() const { return retries_; }

 private:
  void OnHeaders();
  void OnCompleted();
  void OnSignature();
  void ErrorBranch();
  // The transfer failed: the error text, the attempt ends.
  void TransferFailed();
  // Ends the attempt with status text, nothing installed.
  void Refuse(const Text& status);
  void RemoveTemporaryFiles();
  void Clear();
  bool FileSize(const Text& path, uint64_t& size);
  // Both files read and hold the same bytes.
  bool SameContent(const Text& a, const Text& b);
  // The downloaded file deciphers to a database.
  bool ProvesDatabase(const Text& path, Text& why);
  Text Path(const char* name) const { return folder_ + "\\" + name; }

  IFileSystem& fs_;
  ISignatures& signatures_;
  std::vector<TrustedKey> keys_;
  ITransfer& inet_;
  IUpdaterView& view_;
  Text folder_;
  std::function<void()> yield_;
  Text url_;
  Text configError_;

  bool fetchingSignature_ = false;
  bool replacing_ = false;  // a database is installed and the download differs from it
  bool done_ = false;
  int64_t contentLength_ = 0;
  int64_t received_ = 0;
  int retries_ = 0;
};

}  // namespace morvane::updater
