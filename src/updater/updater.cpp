#include "updater/updater.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "database/records.h"
#include "platform/handles.h"
#include "store/server_address.h"

namespace morvane::updater {

namespace {

Text Trim(const Text& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == Text::npos) return Text();
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// A handler step that cannot go on (missing header, unwritable file).
struct HandlerError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace

Updater::Updater(IFileSystem& fs, ITransfer& inet, IUpdaterView& view, Text programFolder,
                 std::function<void()> yield)
    : fs_(fs), inet_(inet), view_(view), folder_(std::move(programFolder)), yield_(std::move(yield)) {
  if (!ReadServerAddress(fs_, folder_, url_, configError_)) url_.clear();
}

void Updater::UpdateNowPressed() {
  if (inet_.Busy()) return;
  cmdFetch_Click();
}

void Updater::cmdFetch_Click() {
  done_ = false;
  received_ = 0;
  contentLength_ = 0;
  if (url_.empty()) {
    view_.SetStatus(configError_);
    return;
  }
  inet_.Execute(url_, "GET");
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
        view_.SetStatus(kRequestingText);
        break;
      case kResponseReceived:
        OnHeaders();
        break;
      case kError:
        view_.SetStatus(kErrorText);
        inet_.Cancel();
        done_ = true;
        break;
      case kResponseCompleted:
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
  view_.SetHeaders("Header: \r\n" + inet_.GetHeader());
  // A 404 page or a server error is never a database.
  if (inet_.StatusCode() != 200) {
    view_.SetStatus(kErrorText);
    inet_.Cancel();
    done_ = true;
    return;
  }
  Text length = Trim(inet_.GetHeader("Content-Length"));
  if (length.empty() || length.size() > 10 || length.find_first_not_of("0123456789") != Text::npos ||
      std::stoll(length) > 0x7FFFFFFF)
    throw HandlerError("no usable Content-Length");
  contentLength_ = std::stoll(length);
  yield_();
  if (done_) return;
  uint64_t installed = 0;
  if (FileSize(Path("DataBase.ref"), installed) && int64_t(installed) == contentLength_) {
    done_ = true;
    inet_.Cancel();
    view_.SetStatus(kUpToDate);
  }
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
  if (done_) {
    view_.SetStatus(kUpToDate);
  } else if (received_ != contentLength_ || int64_t(tmpSize) != contentLength_) {
    // A download that ended early never replaces a database.
    fs_.SetAttributes(tmp, win::kAttrNormal);
    fs_.RemoveFile(tmp);
    view_.SetProgress(0);
    view_.SetHeaders("");
    throw HandlerError("download shorter than announced");
  } else if (Text why; (!haveRef || refSize != tmpSize) && !ProvesDatabase(tmp, why)) {
    // Complete, but not a database (an error page served as 200, a tampered
    // file): the installed one stays. Asking again would fetch the same.
    done_ = true;
    view_.SetStatus(Text(kNotDatabase) + " (" + why + ")");
  } else if (!haveRef || refSize != tmpSize) {
    done_ = haveRef;
    // One step: the old database stays until the new one is in place.
    fs_.SetAttributes(ref, win::kAttrNormal);
    if (!fs_.MoveReplace(tmp, ref)) throw HandlerError("cannot install the download");
    yield_();
    view_.SetStatus(kInstalled);
    retries_ = 0;
    view_.ShowCompleted();
  } else {
    view_.SetStatus(kUpToDate);
  }
  if (fs_.GetAttributes(tmp) != win::kInvalidAttributes) {
    fs_.SetAttributes(tmp, win::kAttrNormal);
    fs_.RemoveFile(tmp);
  }
  view_.SetProgress(0);
  view_.SetHeaders("");
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
  const Text tmp = Path("DataBase.tmp");
  if (fs_.GetAttributes(tmp) != win::kInvalidAttributes) {
    fs_.SetAttributes(tmp, win::kAttrNormal);
    fs_.RemoveFile(tmp);
  }
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
