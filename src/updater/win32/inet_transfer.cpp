#include "updater/win32/inet_transfer.h"

#include <wininet.h>

#include <thread>

namespace morvane::updater {

namespace {

// A WinINet handle, closed on every path.
class InetHandle {
 public:
  explicit InetHandle(HINTERNET h = nullptr) : h_(h) {}
  InetHandle(const InetHandle&) = delete;
  InetHandle& operator=(const InetHandle&) = delete;
  ~InetHandle() {
    if (h_) InternetCloseHandle(h_);
  }
  HINTERNET get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HINTERNET h_;
};

}  // namespace

struct InetTransfer::Request {
  long number = 0;
  HWND window = nullptr;
  std::atomic<bool> cancelled{false};
  std::mutex lock;  // guards the fields below
  Text headers;
  int status = 0;
  std::string body;
  size_t readPos = 0;
  uint64_t maxBody = 0;

  void Post(int state) {
    if (!cancelled) PostMessageA(window, kStateMessage, WPARAM(state), LPARAM(number));
  }

  void Run(Text url) {
    Post(kRequesting);
    InetHandle session(InternetOpenA("Tessarin", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return Post(kError);
    DWORD timeout = 15000;
    InternetSetOptionA(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
    InternetSetOptionA(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    InetHandle file(InternetOpenUrlA(session.get(), url.c_str(), nullptr, 0,
                                     INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI, 0));
    if (!file || cancelled) return Post(kError);
    char buffer[16384];
    DWORD size = sizeof buffer;
    Text raw;
    if (HttpQueryInfoA(file.get(), HTTP_QUERY_RAW_HEADERS_CRLF, buffer, &size, nullptr)) raw.assign(buffer, size);
    DWORD code = 0, codeSize = sizeof code;
    HttpQueryInfoA(file.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &codeSize, nullptr);
    {
      std::lock_guard<std::mutex> g(lock);
      headers = raw;
      status = int(code);
    }
    Post(kResponseReceived);
    const uint64_t allowed = BodyAllowance(raw, maxBody);
    std::string data;
    for (;;) {
      if (cancelled) return;
      DWORD got = 0;
      if (!InternetReadFile(file.get(), buffer, sizeof buffer, &got)) break;  // a dropped connection ends the body
      if (got == 0) break;
      data.append(buffer, got);
      if (data.size() > allowed) return Post(kError);  // more than announced or allowed
    }
    {
      std::lock_guard<std::mutex> g(lock);
      body = std::move(data);
    }
    Post(kResponseCompleted);
  }
};

void InetTransfer::Execute(const Text& url, const Text&, uint64_t maxBody) {
  Cancel();
  auto r = std::make_shared<Request>();
  r->number = ++serial_;
  r->window = window_;
  r->maxBody = maxBody;
  current_ = r;
  busy_ = true;
  std::thread([r, url] { r->Run(url); }).detach();
}

bool InetTransfer::Accept(WPARAM state, LPARAM request) {
  if (!current_ || current_->number != long(request) || current_->cancelled) return false;
  if (state == kError || state == kResponseCompleted) busy_ = false;
  return true;
}

Text InetTransfer::GetHeader() {
  if (!current_) return Text();
  std::lock_guard<std::mutex> g(current_->lock);
  return current_->headers;
}

Text InetTransfer::GetHeader(const Text& name) { return HeaderValue(GetHeader(), name); }

int InetTransfer::StatusCode() {
  if (!current_) return 0;
  std::lock_guard<std::mutex> g(current_->lock);
  return current_->status;
}

std::string InetTransfer::GetChunk(size_t maxBytes) {
  if (!current_) return {};
  std::lock_guard<std::mutex> g(current_->lock);
  size_t n = std::min(maxBytes, current_->body.size() - current_->readPos);
  std::string out = current_->body.substr(current_->readPos, n);
  current_->readPos += n;
  return out;
}

void InetTransfer::Cancel() {
  if (current_) current_->cancelled = true;
  busy_ = false;
}

}  // namespace morvane::updater
