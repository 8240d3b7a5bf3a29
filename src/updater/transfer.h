// The HTTP transfer component Tessarin drives: Execute starts a request and
// returns at once; progress arrives as state changes on the window's thread.
#pragma once
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
  virtual void Execute(const Text& url, const Text& verb) = 0;
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

}  // namespace morvane::updater
