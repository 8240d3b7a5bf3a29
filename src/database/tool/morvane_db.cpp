// morvane-db: enciphers a plain-text database source, deciphers a database
// file, checks a database for records that can never match, and makes and
// checks database signatures.
//   morvane-db encrypt PLAIN OUT
//   morvane-db decrypt DB OUT
//   morvane-db check DB
//   morvane-db keygen PRIVATE.pem PUBLIC.pem     (native build; a new PRIVATE.pem, mode 0600)
//   morvane-db sign PRIVATE.pem DB               writes DB.sig (native build)
//   morvane-db verify DB                         checks DB.sig against the trusted keys
//   morvane-db pubkey KEY.pem                    the public point as hex (native build)
// Exit codes: 0 ok, 1 problems found or a signature that does not hold,
// 2 unreadable input or bad usage.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "database/crypt.h"
#include "database/records.h"
#include "database/signature.h"
#ifdef MORVANE_DB_SIGNING
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "database/tool/signing.h"
#endif

using namespace morvane;

namespace {

// The report of one database file's content; 1 when it has problems.
int CheckContent(const std::string& content, const std::string& path, std::ostream& out, std::ostream& err) {
  if (SplitTextLines(content).empty()) {
    err << "morvane-db: " << path << " is empty\n";
    return 1;
  }
  const DatabaseReport report = CheckDatabaseFile(content);
  out << "version: " << report.version << "\n";
  out << "records: " << report.records << "\n";
  for (const auto& [type, count] : report.perType)
    out << "  " << (type.empty() ? "(unknown)" : type) << ": " << count << "\n";
  for (const RecordProblem& p : report.problems)
    out << "line " << p.lineNumber << ": " << p.reason << ": " << p.line << "\n";
  if (!report.problems.empty()) {
    err << "morvane-db: " << report.problems.size() << " record(s) can never match, be removed or be trusted\n";
    return 1;
  }
  return 0;
}

#ifndef MORVANE_DB_NO_MAIN  // the commands; a fuzz target takes CheckContent alone
bool ReadFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return false;
  content = buffer.str();
  return true;
}

bool WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(content.data(), std::streamsize(content.size()));
  out.close();
  return !out.fail();
}

int Usage() {
  std::cerr << "usage: morvane-db encrypt PLAIN OUT | decrypt DB OUT | check DB | keygen PRIVATE.pem PUBLIC.pem\n"
               "                  | sign PRIVATE.pem DB | verify DB | pubkey KEY.pem\n";
  return 2;
}

// Every line, deciphered or enciphered, each followed by CR LF.
int Convert(const std::string& from, const std::string& to, bool encrypt) {
  std::string content;
  if (!ReadFile(from, content)) {
    std::cerr << "morvane-db: cannot read " << from << "\n";
    return 2;
  }
  std::string out;
  size_t lineNumber = 0;
  int result = 0;
  for (const Text& line : SplitTextLines(content)) {
    ++lineNumber;
    const Text converted =
        encrypt ? modCrypt::EncryptString(line, kDatabaseKey) : modCrypt::DecryptString(line, kDatabaseKey);
    if (encrypt && modCrypt::DecryptString(converted, kDatabaseKey) != line) {
      std::cerr << "morvane-db: line " << lineNumber << " holds characters that cannot be enciphered\n";
      result = 1;
    } else if (encrypt && converted.find_first_of("\r\n") != Text::npos) {
      std::cerr << "morvane-db: line " << lineNumber
                << " enciphers to a line break (CR or LF) and would not read back; change its control characters\n";
      result = 1;
    }
    out += converted;
    out += "\r\n";
  }
  if (result != 0) return result;
  if (!WriteFile(to, out)) {
    std::cerr << "morvane-db: cannot write " << to << "\n";
    return 2;
  }
  return 0;
}

int Check(const std::string& path) {
  std::string content;
  if (!ReadFile(path, content)) {
    std::cerr << "morvane-db: cannot read " << path << "\n";
    return 2;
  }
  return CheckContent(content, path, std::cout, std::cerr);
}

int Verify(const std::string& path) {
  std::string database, signature;
  if (!ReadFile(path, database)) {
    std::cerr << "morvane-db: cannot read " << path << "\n";
    return 2;
  }
  const std::string sigPath = path + kSignatureSuffix;
  if (!ReadFile(sigPath, signature)) {
    std::cerr << "morvane-db: " << path << " is not signed: there is no " << sigPath << "\n";
    return 1;
  }
  if (signature.size() != ISignatures::kSignatureSize) {
    std::cerr << "morvane-db: " << sigPath << " is not a signature (" << signature.size() << " bytes, not "
              << ISignatures::kSignatureSize << ")\n";
    return 1;
  }
  HostSignatures signatures;
  Text key;
  if (!CheckDatabaseSignature(signatures, TrustedKeys(), database, signature, key)) {
    std::cerr << "morvane-db: " << sigPath << " does not hold: " << path
              << " was changed after signing, or was signed by a key this build does not trust\n";
    return 1;
  }
  std::cout << path << ": good signature by the " << key << "\n";
  return 0;
}

#ifdef MORVANE_DB_SIGNING
// A new file only its owner may read; false (errno EEXIST) when the path is
// taken. A file that could not be written whole is removed.
bool WriteNewPrivateFile(const std::string& path, const std::string& content) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  if (close(fd) == 0 && done == content.size()) return true;
  unlink(path.c_str());
  errno = EIO;
  return false;
}

int Keygen(const std::string& privatePath, const std::string& publicPath) {
  std::string privatePem, publicPem, error;
  if (!GenerateKeyPair(privatePem, publicPem, error)) {
    std::cerr << "morvane-db: " << error << "\n";
    return 2;
  }
  if (!WriteNewPrivateFile(privatePath, privatePem)) {
    if (errno == EEXIST)
      std::cerr << "morvane-db: " << privatePath << " already exists; keygen never replaces a key (remove it first)\n";
    else
      std::cerr << "morvane-db: cannot write " << privatePath << "\n";
    return 2;
  }
  if (!WriteFile(publicPath, publicPem)) {
    std::cerr << "morvane-db: cannot write " << publicPath << "\n";
    return 2;
  }
  std::cout << "private key: " << privatePath << " (keep it secret, out of the sources)\npublic key: " << publicPath
            << "\n";
  return 0;
}

int Sign(const std::string& keyPath, const std::string& path) {
  std::string pem, database, signature, error;
  if (!ReadFile(keyPath, pem) || !ReadFile(path, database)) {
    std::cerr << "morvane-db: cannot read " << keyPath << " or " << path << "\n";
    return 2;
  }
  if (!SignP256(pem, database, signature, error)) {
    std::cerr << "morvane-db: " << keyPath << ": " << error << "\n";
    return 2;
  }
  if (!WriteFile(path + kSignatureSuffix, signature)) {
    std::cerr << "morvane-db: cannot write " << path << kSignatureSuffix << "\n";
    return 2;
  }
  return 0;
}

int Pubkey(const std::string& keyPath) {
  std::string pem, point, error;
  if (!ReadFile(keyPath, pem)) {
    std::cerr << "morvane-db: cannot read " << keyPath << "\n";
    return 2;
  }
  if (!PublicPoint(pem, point, error)) {
    std::cerr << "morvane-db: " << keyPath << ": " << error << "\n";
    return 2;
  }
  static const char kHex[] = "0123456789abcdef";
  for (unsigned char c : point) std::cout << kHex[c >> 4] << kHex[c & 15];
  std::cout << "\n";
  return 0;
}
#else
int NativeOnly(const std::string& command) {
  std::cerr << "morvane-db: " << command << " is made by the native build of morvane-db\n";
  return 2;
}
int Keygen(const std::string&, const std::string&) { return NativeOnly("keygen"); }
int Sign(const std::string&, const std::string&) { return NativeOnly("sign"); }
int Pubkey(const std::string&) { return NativeOnly("pubkey"); }
#endif
#endif  // MORVANE_DB_NO_MAIN

}  // namespace

#ifndef MORVANE_DB_NO_MAIN
int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "encrypt" && argc == 4) return Convert(argv[2], argv[3], true);
  if (command == "decrypt" && argc == 4) return Convert(argv[2], argv[3], false);
  if (command == "check" && argc == 3) return Check(argv[2]);
  if (command == "keygen" && argc == 4) return Keygen(argv[2], argv[3]);
  if (command == "sign" && argc == 4) return Sign(argv[2], argv[3]);
  if (command == "verify" && argc == 3) return Verify(argv[2]);
  if (command == "pubkey" && argc == 3) return Pubkey(argv[2]);
  return Usage();
}
#endif
