#include "updater/transfer.h"

#include <algorithm>

#include "platform/ansi_text.h"

namespace morvane::updater {

Text HeaderValue(const Text& headers, const Text& name) {
  const Text want = AsciiLower(name) + ":";
  size_t start = 0;
  while (start < headers.size()) {
    size_t end = headers.find("\r\n", start);
    if (end == Text::npos) end = headers.size();
    Text line = headers.substr(start, end - start);
    if (AsciiLower(line).rfind(want, 0) == 0) {
      Text v = line.substr(want.size());
      size_t b = v.find_first_not_of(' ');
      return b == Text::npos ? Text() : v.substr(b);
    }
    start = end + 2;
  }
  return Text();
}

int64_t ContentLength(const Text& value) {
  const size_t b = value.find_first_not_of(" \t\r\n");
  if (b == Text::npos) return -1;
  const Text digits = value.substr(b, value.find_last_not_of(" \t\r\n") - b + 1);
  if (digits.size() > 10 || digits.find_first_not_of("0123456789") != Text::npos) return -1;
  const int64_t length = std::stoll(digits);
  return length > 0x7FFFFFFF ? -1 : length;
}

uint64_t BodyAllowance(const Text& headers, uint64_t cap) {
  const int64_t length = ContentLength(HeaderValue(headers, "Content-Length"));
  return length < 0 ? cap : std::min(uint64_t(length), cap);
}

}  // namespace morvane::updater
