// The HTTP transfer component Tessarin drives: Execute starts a request and
// returns at once; progress arrives as state changes on the window's thread.
#pragma once
#include <cstdint>
#include <string>

#include "platform/winapi_types.h"

namespace morvane::updater {

enum TransferState {
  kRequesting = 5,
  kResponseReceived = 8,  // headers are in
  kError = 11,
  kResponseCompleted = 12,  // the body can be read
};

class ITransfer {
 public:
  virtual ~ITransfer() = default;
  // The body may bring no more than its Content-Length nor maxBody bytes:
  // once more has arrived the transfer stops with kError.
  virtual void Execute(const Text& url, const Text& verb, uint64_t maxBody) = 0;
  // All response header lines as one text.
  virtual Text GetHeader() = 0;
  // One header's value; empty when the response has no such header.
  virtual Text GetHeader(const Text& name) = 0;
  // The response's HTTP status code (200, 404, ...); 0 when unknown.
  virtual int StatusCode() = 0;
  // The next at most maxBytes bytes of the body; empty at the end.
  virtual std::string GetChunk(size_t maxBytes) = 0;
  // Stops the current transfer; no further state changes arrive for it.
  virtual void Cancel() = 0;
  // True while a request runs (from Execute until its last state change).
  virtual bool Busy() = 0;
};

// The value of the first header line named name (any case); empty when none.
Text HeaderValue(const Text& headers, const Text& name);
// A Content-Length value as a length (blanks around it allowed, at most
// 0x7FFFFFFF); -1 when it is none.
int64_t ContentLength(const Text& value);
// What a body may bring before its transfer fails: its Content-Length when
// the headers have a usable one, never more than cap.
uint64_t BodyAllowance(const Text& headers, uint64_t cap);

}  // namespace morvane::updater
