#include "platform/offline/offline_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/offline/offline_text.h"

namespace morvane::offline {

namespace {

constexpr const char* kNtfsAttrib = "system.ntfs_attrib_be";
constexpr const char* kDosAttrib = "user.DOSATTRIB";
constexpr size_t kMaxListings = 4096;

// A file descriptor, closed on every path.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  bool WriteAllOf(const char* p, size_t n) {
    while (n > 0) {
      ssize_t w = write(fd_, p, n);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      p += w;
      n -= size_t(w);
    }
    return true;
  }
  // Reads in pieces of up to 64 KiB; false when a read fails.
  template <typename F>
  bool ReadEach(F&& take) {
    char buffer[65536];
    for (;;) {
      ssize_t r = read(fd_, buffer, sizeof buffer);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) return false;
      if (r == 0) return true;
      take(buffer, size_t(r));
    }
  }

 private:
  int fd_;
};

std::string DirOf(const std::string& host) { return host.substr(0, host.find_last_of('/')); }

bool IsDir(const std::string& host) {
  struct stat st;
  return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

OfflineFileSystem::OfflineFileSystem(std::string mountRoot, char drive) : root_(std::move(mountRoot)), drive_(drive) {
  while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
  if (drive_ >= 'a' && drive_ <= 'z') drive_ = char(drive_ - 32);
  char* real = realpath(root_.c_str(), nullptr);
  realRoot_ = real ? real : root_;
  std::free(real);
}

bool OfflineFileSystem::Contained(const std::string& host) {
  struct stat st;
  if (lstat(host.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
  std::string real;
  return RealPath(host, real);
}

bool OfflineFileSystem::RealPath(const std::string& host, std::string& real) {
  char* r = realpath(host.c_str(), nullptr);
  if (!r) return false;
  real = r;
  std::free(r);
  return real == realRoot_ || real.compare(0, realRoot_.size() + 1, realRoot_ + "/") == 0;
}

// A regular file opened for reading: not a folder, a device or a pipe.
int OfflineFileSystem::OpenForReading(const std::string& host) {
  if (!Contained(host)) return -1;
  int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat st;
  if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, 0) != 0)) {
    close(fd);
    return -1;
  }
  return fd;
}

std::string OfflineFileSystem::FindEntry(const std::string& dir, const Text& name) {
  auto it = listings_.find(dir);
  if (it == listings_.end()) {
    if (listings_.size() >= kMaxListings) listings_.clear();
    std::unordered_map<std::string, std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
      while (dirent* e = readdir(d)) names.emplace(UpperName(FromUtf8(e->d_name)), e->d_name);
      closedir(d);
    }
    it = listings_.emplace(dir, std::move(names)).first;
  }
  auto hit = it->second.find(UpperName(name));
  return hit == it->second.end() ? std::string() : hit->second;
}

void OfflineFileSystem::Forget(const std::string& host) {
  listings_.erase(DirOf(host));
  listings_.erase(host);
}

bool OfflineFileSystem::Resolve(const Text& path, bool allowMissingLeaf, std::string& host, bool& exists) {
  if (path.size() < 2 || path[1] != ':') return false;
  char d = path[0] >= 'a' && path[0] <= 'z' ? char(path[0] - 32) : path[0];
  if (d != drive_) return false;
  std::vector<Text> parts;
  size_t start = 2;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == Text::npos) end = path.size();
    Text part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  host = root_;
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string exact = host + "/" + ToUtf8(parts[i]);
    struct stat st;
    const bool last = i + 1 == parts.size();
    if (lstat(exact.c_str(), &st) == 0) {
      host = std::move(exact);
      if (!last && !Contained(host)) return false;
      continue;
    }
    std::string real = FindEntry(host, parts[i]);
    if (!real.empty()) {
      host += "/" + real;
      if (!last && !Contained(host)) return false;
      continue;
    }
    if (i + 1 == parts.size() && allowMissingLeaf) {
      host = std::move(exact);
      exists = false;
      return true;
    }
    return false;
  }
  exists = true;
  return true;
}

bool OfflineFileSystem::HostPath(const Text& path, std::string& host) {
  bool exists = false;
  return Resolve(path, false, host, exists) && exists;
}

bool OfflineFileSystem::FinalPath(const Text& path, Text& out) {
  std::string host, r;
  // Out of the mounted disk no path of it names where that leads.
  if (!HostPath(path, host) || !RealPath(host, r)) return false;
  Text rel = FromUtf8(r.substr(realRoot_.size()));
  std::replace(rel.begin(), rel.end(), '/', '\\');
  out = Text(1, drive_) + ":" + (rel.empty() ? Text("\\") : rel);
  return true;
}

bool OfflineFileSystem::HostTarget(const Text& path, std::string& host) {
  bool exists = false;
  return Resolve(path, true, host, exists);
}

uint32_t OfflineFileSystem::AttributesOf(const std::string& host) {
  struct stat st;
  return lstat(host.c_str(), &st) == 0 ? AttributesOf(host, st) : win::kInvalidAttributes;
}

uint32_t OfflineFileSystem::AttributesOf(const std::string& host, const struct stat& st) {
  if (S_ISLNK(st.st_mode)) {
    // A junction or symbolic link; one whose target is gone still shows as a folder link.
    struct stat target;
    bool file = stat(host.c_str(), &target) == 0 && !S_ISDIR(target.st_mode);
    return (file ? win::kAttrArchive : win::kAttrDirectory) | win::kAttrReparsePoint;
  }
  const bool dir = S_ISDIR(st.st_mode);
  uint32_t a = 0;
  unsigned char be[4];
  char text[64];
  ssize_t n;
  auto known = [](ssize_t got, bool& supported) {
    if (got < 0 && (errno == ENOTSUP || errno == EOPNOTSUPP)) supported = false;
    return got;
  };
  if (ntfsAttrib_ && known(getxattr(host.c_str(), kNtfsAttrib, be, sizeof be), ntfsAttrib_) == 4) {
    a = (uint32_t(be[0]) << 24) | (uint32_t(be[1]) << 16) | (uint32_t(be[2]) << 8) | be[3];
  } else if (dosAttrib_ && (n = known(getxattr(host.c_str(), kDosAttrib, text, sizeof text - 1), dosAttrib_)) > 2 &&
             text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text[n] = '\0';
    a = uint32_t(std::strtoul(text + 2, nullptr, 16));
  } else {
    a = dir ? win::kAttrDirectory : win::kAttrArchive;
    if (!dir && !(st.st_mode & S_IWUSR)) a |= win::kAttrReadOnly;
  }
  a = dir ? (a | win::kAttrDirectory) : (a & ~win::kAttrDirectory);
  a &= ~win::kAttrReparsePoint;
  if (a != win::kAttrNormal) a &= ~win::kAttrNormal;
  return a == 0 ? win::kAttrNormal : a;
}

bool OfflineFileSystem::Writable(const std::string& host) {
  uint32_t a = AttributesOf(host);
  return a == win::kInvalidAttributes || !(a & win::kAttrReadOnly);
}

IFileSystem::FindHandle OfflineFileSystem::FindFirst(const Text& pattern, FindData& data) {
  size_t slash = pattern.find_last_of('\\');
  if (slash == Text::npos) return kInvalidFind;
  Text folder = pattern.substr(0, slash), namePattern = pattern.substr(slash + 1);
  std::string host;
  if (namePattern.empty() || !HostPath(folder.size() == 2 ? folder + "\\" : folder, host) || !Contained(host) ||
      !IsDir(host))
    return kInvalidFind;
  Search s;
  if (host != root_)
    for (const char* dot : {".", ".."})
      if (WildcardMatch(namePattern, dot)) s.entries.push_back(FindData{win::kAttrDirectory, 0, 0, dot});
  std::vector<std::pair<Text, FindData>> found;
  if (DIR* d = opendir(host.c_str())) {
    while (dirent* e = readdir(d)) {
      if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
      Text name = FromUtf8(e->d_name);
      // What no Windows name holds (a Linux one may) shows as "?", as an
      // unmappable character does: never a path separator or a stream.
      for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("\\/:*?\"<>|", c)) c = '?';
      if (!WildcardMatch(namePattern, name)) continue;
      std::string full = host + "/" + e->d_name;
      struct stat st;
      if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      uint32_t a = AttributesOf(full, st);
      if (a == win::kInvalidAttributes) continue;
      // A link's size is its target's.
      uint64_t size = 0;
      if (!(a & win::kAttrDirectory) && (!S_ISLNK(st.st_mode) || stat(full.c_str(), &st) == 0))
        size = uint64_t(st.st_size);
      found.push_back({UpperName(name), FindData{a, uint32_t(size >> 32), uint32_t(size), name}});
    }
    closedir(d);
  }
  std::sort(found.begin(), found.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
  for (auto& f : found) s.entries.push_back(std::move(f.second));
  if (s.entries.empty()) return kInvalidFind;
  data = s.entries[0];
  s.next = 1;
  FindHandle h = nextFind_++;
  finds_[h] = std::move(s);
  return h;
}

bool OfflineFileSystem::FindNext(FindHandle h, FindData& data) {
  auto it = finds_.find(h);
  if (it == finds_.end() || it->second.next >= it->second.entries.size()) return false;
  data = it->second.entries[it->second.next++];
  return true;
}

bool OfflineFileSystem::FindClose(FindHandle h) { return finds_.erase(h) > 0; }

uint32_t OfflineFileSystem::GetAttributes(const Text& path) {
  std::string host;
  return HostPath(path, host) ? AttributesOf(host) : win::kInvalidAttributes;
}

bool OfflineFileSystem::SetAttributes(const Text& path, uint32_t attributes) {
  std::string host;
  struct stat st;
  if (!HostPath(path, host) || lstat(host.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) return false;
  const bool dir = S_ISDIR(st.st_mode);
  uint32_t a = attributes & ~(win::kAttrDirectory | win::kAttrReparsePoint | win::kAttrNormal);
  if (dir) a |= win::kAttrDirectory;
  const unsigned char be[4] = {uint8_t(a >> 24), uint8_t(a >> 16), uint8_t(a >> 8), uint8_t(a)};
  if (ntfsAttrib_ && setxattr(host.c_str(), kNtfsAttrib, be, sizeof be, 0) == 0) return true;
  char text[16];
  int n = std::snprintf(text, sizeof text, "0x%x", a);
  if (dosAttrib_ && setxattr(host.c_str(), kDosAttrib, text, size_t(n) + 1, 0) == 0) return true;
  // No place for attributes: only read-only can be kept, as the write permission.
  if (a & (win::kAttrHidden | win::kAttrSystem)) return false;
  mode_t mode = (a & win::kAttrReadOnly) && !dir ? (st.st_mode & ~mode_t(0222)) : (st.st_mode | S_IWUSR);
  return chmod(host.c_str(), mode & 07777) == 0;
}

bool OfflineFileSystem::RemoveFile(const Text& path) {
  std::string host;
  if (!HostPath(path, host)) return false;
  uint32_t a = AttributesOf(host);
  if (a & (win::kAttrDirectory | win::kAttrReadOnly)) return false;
  if (unlink(host.c_str()) != 0) return false;
  Forget(host);
  return true;
}

bool OfflineFileSystem::MakeFolder(const Text& path) {
  std::string host;
  bool exists = false;
  if (!Resolve(path, true, host, exists) || exists || mkdir(host.c_str(), 0777) != 0) return false;
  Forget(host);
  return true;
}

bool OfflineFileSystem::RemoveFolder(const Text& path) {
  std::string host;
  struct stat st;
  if (!HostPath(path, host) || lstat(host.c_str(), &st) != 0) return false;
  bool ok = S_ISLNK(st.st_mode) ? (IsDir(host) || stat(host.c_str(), &st) != 0) && unlink(host.c_str()) == 0
                                : S_ISDIR(st.st_mode) && rmdir(host.c_str()) == 0;
  if (ok) Forget(host);
  return ok;
}

bool OfflineFileSystem::CopyTo(const Text& source, const Text& destination, bool failIfExists) {
  std::string from, to;
  bool exists = false;
  if (!HostPath(source, from) || !Resolve(destination, true, to, exists)) return false;
  if (exists && (failIfExists || IsDir(to) || !Writable(to) || !Contained(to))) return false;
  Fd in(OpenForReading(from));
  if (!in.ok()) return false;
  Fd out(open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!out.ok()) return false;
  Forget(to);
  bool written = true;
  if (!in.ReadEach([&](const char* p, size_t n) { written = written && out.WriteAllOf(p, n); }) || !written)
    return false;
  uint32_t a = AttributesOf(from);
  if (a & (win::kAttrHidden | win::kAttrSystem | win::kAttrReadOnly)) SetAttributes(destination, a);
  return true;
}

bool OfflineFileSystem::MoveReplace(const Text& source, const Text& destination) {
  std::string from, to;
  bool exists = false;
  if (!HostPath(source, from) || !Resolve(destination, true, to, exists)) return false;
  if (exists && to != from && (IsDir(to) || !Writable(to))) return false;
  if (rename(from.c_str(), to.c_str()) != 0) {
    if (errno != EXDEV || !CopyTo(source, destination, false)) return false;
    unlink(from.c_str());
  }
  Forget(from);
  Forget(to);
  return true;
}

bool OfflineFileSystem::ReadAll(const Text& path, std::string& data) {
  std::string host;
  if (!HostPath(path, host)) return false;
  Fd f(OpenForReading(host));
  std::string out;
  if (!f.ok() || !f.ReadEach([&](const char* p, size_t n) { out.append(p, n); })) return false;
  data = std::move(out);
  return true;
}

bool OfflineFileSystem::ReadPieces(const Text& path, const PieceSink& take) {
  std::string host;
  if (!HostPath(path, host)) return false;
  Fd f(OpenForReading(host));
  return f.ok() && f.ReadEach(take);
}

bool OfflineFileSystem::WriteAll(const Text& path, const std::string& data) {
  std::string host;
  bool exists = false;
  if (!Resolve(path, true, host, exists) || (exists && (IsDir(host) || !Writable(host) || !Contained(host))))
    return false;
  Fd f(open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!f.ok()) return false;
  if (!exists) Forget(host);
  return f.WriteAllOf(data.data(), data.size()) && fsync(f.get()) == 0;
}

bool OfflineFileSystem::FlushFile(const Text& path) {
  std::string host;
  if (!HostPath(path, host) || IsDir(host)) return false;
  Fd f(OpenForReading(host));
  return f.ok() && fsync(f.get()) == 0;
}

bool OfflineFileSystem::Append(const Text& path, const std::string& data) {
  std::string host;
  bool exists = false;
  if (!Resolve(path, true, host, exists) || (exists && (IsDir(host) || !Writable(host) || !Contained(host))))
    return false;
  Fd f(open(host.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
  if (!f.ok()) return false;
  if (!exists) Forget(host);
  return f.WriteAllOf(data.data(), data.size());
}

}  // namespace morvane::offline
