#include "updater/updater.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "database/records.h"
#include "platform/handles.h"
#include "store/server_address.h"

namespace morvane::updater {

namespace {

// A handler step that cannot go on (missing header, unwritable file).
struct HandlerError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace

Text NotDatabaseText(const Text& why, bool installed) {
  return Text(kNotDatabase) + " (" + why + ")." + (installed ? " The installed database was kept." : "");
}

Updater::Updater(IFileSystem& fs, ISignatures& signatures, std::vector<TrustedKey> keys, ITransfer& inet,
                 IUpdaterView& view, Text programFolder, std::function<void()> yield)
    : fs_(fs),
      signatures_(signatures),
      keys_(std::move(keys)),
      inet_(inet),
      view_(view),
      folder_(std::move(programFolder)),
      yield_(std::move(yield)) {
  if (!ReadServerAddress(fs_, folder_, url_, configError_)) url_.clear();
}

void Updater::UpdateNowPressed() {
  if (inet_.Busy()) return;
  cmdFetch_Click();
}

void Updater::cmdFetch_Click() {
  fetchingSignature_ = false;
  done_ = false;
  received_ = 0;
  contentLength_ = 0;
  if (url_.empty()) {
    view_.SetStatus(configError_);
    return;
  }
  inet_.Execute(url_, "GET", kDatabaseLimit);
}

bool Updater::FileSize(const Text& path, uint64_t& size) {
  FindHandleOwner find(fs_);
  FindData fd;
  if (!find.First(path, fd) || (fd.attributes & win::kAttrDirectory)) return false;
  size = fd.Size();
  return true;
}

void Updater::StateChanged(int state) {
  try {
    switch (state) {
      case kRequesting:
        if (!fetchingSignature_) view_.SetStatus(kRequestingText);
        break;
      case kResponseReceived:
        OnHeaders();
        break;
      case kError:
        TransferFailed();
        break;
      case kResponseCompleted:
        if (fetchingSignature_)
          OnSignature();
        else
          OnCompleted();
        break;
      default:
        break;
    }
  } catch (const std::exception&) {
    ErrorBranch();
  }
}

void Updater::OnHeaders() {
  if (fetchingSignature_ && inet_.StatusCode() == 404) {
    Refuse(kNoSignature);
    return;
  }
  if (!fetchingSignature_) view_.SetHeaders("Header: \r\n" + inet_.GetHeader());
  // A 404 page or a server error is never a database.
  if (inet_.StatusCode() != 200) {
    TransferFailed();
    return;
  }
  contentLength_ = ContentLength(inet_.GetHeader("Content-Length"));
  if (contentLength_ < 0) throw HandlerError("no usable Content-Length");
  if (fetchingSignature_) {
    if (uint64_t(contentLength_) > kSignatureLimit) Refuse(kNotSigned);
    return;
  }
  // Larger than any database: the transfer would stop at the cap anyway.
  if (uint64_t(contentLength_) > kDatabaseLimit) {
    TransferFailed();
    return;
  }
  // A database of the installed size may still differ from it: it is
  // downloaded and compared whole.
  yield_();
}

void Updater::OnCompleted() {
  const Text tmp = Path("DataBase.tmp"), ref = Path("DataBase.ref");
  view_.SetStatus(kRetrieving);
  fs_.SetAttributes(tmp, win::kAttrNormal);
  if (!fs_.WriteAll(tmp, "")) throw HandlerError("cannot create the download file");
  std::string chunk = inet_.GetChunk(1024);
  if (!fs_.Append(tmp, chunk)) throw HandlerError("cannot write the download file");
  received_ = int64_t(chunk.size());
  for (;;) {
    chunk = inet_.GetChunk(1024);
    if (chunk.empty()) break;
    view_.SetStatus("Currently downloaded " + std::to_string(received_) + " of total " +
                    std::to_string(contentLength_) + " bytes.");
    if (!fs_.Append(tmp, chunk)) throw HandlerError("cannot write the download file");
    received_ += int64_t(chunk.size());
    // A server may send more than it announced: the bar stops at its end.
    if (contentLength_ > 0)
      view_.SetProgress(int(std::min(100L, std::lround(double(received_) / double(contentLength_) * 100.0))));
  }
  yield_();

  uint64_t refSize = 0, tmpSize = 0;
  bool haveRef = FileSize(ref, refSize);
  FileSize(tmp, tmpSize);
  const bool differs = !haveRef || refSize != tmpSize || !SameContent(ref, tmp);
  if (done_) {
    view_.SetStatus(kUpToDate);
  } else if (received_ != contentLength_ || int64_t(tmpSize) != contentLength_) {
    // A download that ended early never replaces a database.
    fs_.SetAttributes(tmp, win::kAttrNormal);
    fs_.RemoveFile(tmp);
    view_.SetProgress(0);
    view_.SetHeaders("");
    throw HandlerError("download shorter than announced");
  } else if (Text why; differs && !ProvesDatabase(tmp, why)) {
    // Complete, but not a database (an error page served as 200, a tampered
    // file): the installed one stays. Asking again would fetch the same.
    done_ = true;
    view_.SetStatus(NotDatabaseText(why, haveRef));
  } else if (differs) {
    // The download waits in "DataBase.tmp" for its signature.
    replacing_ = haveRef;
    fetchingSignature_ = true;
    inet_.Execute(url_ + kSignatureSuffix, "GET", kSignatureLimit);
    return;
  } else {
    view_.SetStatus(kUpToDate);
  }
  Clear();
}

void Updater::OnSignature() {
  const Text tmp = Path("DataBase.tmp"), ref = Path("DataBase.ref");
  const Text sigTmp = Path("DataBase.sig.tmp"), sig = ref + kSignatureSuffix;
  std::string signature;
  int64_t received = 0;
  for (std::string chunk = inet_.GetChunk(1024); !chunk.empty(); chunk = inet_.GetChunk(1024)) {
    received += int64_t(chunk.size());
    if (signature.size() <= kSignatureLimit) signature += chunk;
  }
  yield_();
  // A signature cut short is a failed transfer, asked again: no bad signature.
  if (received != contentLength_) throw HandlerError("signature not of the announced length");
  std::string database;
  if (!fs_.ReadAll(tmp, database)) throw HandlerError("cannot read the download");
  Text key;
  if (!CheckDatabaseSignature(signatures_, keys_, database, signature, key)) {
    Refuse(kNotSigned);
    return;
  }
  // The download was appended through the cache: its bytes reach the disk
  // before it can take the database's name.
  if (!fs_.FlushFile(tmp)) throw HandlerError("cannot flush the download");
  // The signature first, the database last, each in one step: an
  // interruption between them leaves the old database with a signature
  // that fails, never a new database without its own.
  fs_.SetAttributes(sigTmp, win::kAttrNormal);
  if (!fs_.WriteAll(sigTmp, signature)) throw HandlerError("cannot write the signature");
  fs_.SetAttributes(sig, win::kAttrNormal);
  if (!fs_.MoveReplace(sigTmp, sig)) throw HandlerError("cannot install the signature");
  fs_.SetAttributes(ref, win::kAttrNormal);
  if (!fs_.MoveReplace(tmp, ref)) throw HandlerError("cannot install the download");
  fetchingSignature_ = false;
  done_ = replacing_;
  yield_();
  view_.SetStatus(kInstalled);
  retries_ = 0;
  view_.ShowCompleted();
  Clear();
}

// No retry: asking again would fail the same.
void Updater::TransferFailed() {
  view_.SetStatus(kErrorText);
  inet_.Cancel();
  done_ = true;
  if (fetchingSignature_) Clear();
}

void Updater::Refuse(const Text& status) {
  done_ = true;
  inet_.Cancel();
  view_.SetStatus(status);
  Clear();
}

void Updater::RemoveTemporaryFiles() {
  for (const char* name : {"DataBase.tmp", "DataBase.sig.tmp"}) {
    const Text path = Path(name);
    if (fs_.GetAttributes(path) != win::kInvalidAttributes) {
      fs_.SetAttributes(path, win::kAttrNormal);
      fs_.RemoveFile(path);
    }
  }
}

// The end of an attempt: no temporary file left, the bar and the headers cleared.
void Updater::Clear() {
  fetchingSignature_ = false;
  RemoveTemporaryFiles();
  view_.SetProgress(0);
  view_.SetHeaders("");
}

bool Updater::SameContent(const Text& a, const Text& b) {
  std::string x, y;
  return fs_.ReadAll(a, x) && fs_.ReadAll(b, y) && x == y;
}

bool Updater::ProvesDatabase(const Text& path, Text& why) {
  std::string content;
  if (!fs_.ReadAll(path, content)) {
    why = "unreadable";
    return false;
  }
  return IsDatabase(CheckDatabaseFile(content), why);
}

void Updater::ErrorBranch() {
  fetchingSignature_ = false;
  RemoveTemporaryFiles();
  view_.SetProgress(0);
  if (retries_ >= kMaxRetries) {
    view_.SetStatus(kErrorText);
    inet_.Cancel();
    done_ = true;
    retries_ = 0;
    return;
  }
  ++retries_;
  inet_.Cancel();
  done_ = true;
  cmdFetch_Click();
  yield_();
}

}  // namespace morvane::updater
