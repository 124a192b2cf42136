// quelbo-publish: the publisher's side of signed updates. Makes the key pair
// whose public half is built into the updater, and signs releases: it prints
// the version reply to serve for a package.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/publish/KeyFile.h"
#include "app/publish/PackageFile.h"
#include "app/publish/PackageIndex.h"
#include "app/release/ReleaseIndex.h"
#include "app/release/ReleaseSeal.h"
#include "platform/CommandLine.h"
#include "platform/FileHandle.h"
#include "platform/PathNames.h"

namespace {

constexpr const char* kUsage = R"(usage:
  quelbo-publish keygen SECRET-KEY-FILE
      Makes a key pair. The secret key goes to SECRET-KEY-FILE, which must not
      exist yet and is made readable by its owner only; the public key is
      printed. Build the updater with it:
        cmake -DQUELBO_UPDATE_PUBLIC_KEY=<public key> ...
  quelbo-publish public-key SECRET-KEY-FILE
      Prints the public key of a secret key.
  quelbo-publish sign --key SECRET-KEY-FILE --version VERSION --base-url URL
                      --package FILE --program NAME --serial N
                      (--valid DURATION | --expires UNIX-TIME)
      Prints the version reply to serve, one line:
        VERSION|URL|PACKAGE|NAME|sha256=HEX;size=BYTES;expires=T;serial=N;sig=SIG
      A ZIP package gets an index beside it, FILE + ".idx", to be served with
      it: the reply then carries the index's SHA-256 as "index=HEX" before
      "sig=", and the updater may fetch only the members that changed.
      PACKAGE is the file name of FILE; the updater fetches URL + PACKAGE and
      starts NAME (may be empty) from the installation directory. FILE must not
      be empty, and when PACKAGE holds ".zip" in any letter case the updater
      unpacks it, so it must then be a ZIP archive. DURATION is
      a number of seconds, or a number followed by s, m, h or d; the updater
      refuses the reply after that. Raise N with every release: an updater
      refuses a serial lower than the highest it has installed.
      SIG is the base64 Ed25519 signature of every byte of the reply before
      the signature itself: from the first byte of VERSION up to and
      including the "=" of "sig=". One line break after SIG is allowed.
)";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "quelbo-publish: %s\n", why.c_str());
  return 1;
}

// Seconds in "90", "90s", "15m", "12h", "30d"; -1 when malformed.
std::int64_t Seconds(const std::string& text) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0 || digits > 12 || text.size() > digits + 1) return -1;
  const std::int64_t n = std::stoll(text.substr(0, digits));
  switch (digits < text.size() ? text[digits] : 's') {
    case 's': return n;
    case 'm': return n * 60;
    case 'h': return n * 3600;
    case 'd': return n * 86400;
    default: return -1;
  }
}

// A whole number from 0 to 2^63-1, the range the updater reads and records.
std::optional<std::int64_t> Number(const std::string& text) {
  std::int64_t n = 0;
  const char* end = text.data() + text.size();
  if (text.empty() || text.front() == '-') return std::nullopt;
  const std::from_chars_result read = std::from_chars(text.data(), end, n);
  if (read.ec != std::errc() || read.ptr != end) return std::nullopt;
  return n;
}

// A reply field may hold neither the field separator nor a line break.
bool UsableField(const std::string& text) {
  for (unsigned char c : text)
    if (c == '|' || c < 0x20 || c == 0x7F) return false;
  return true;
}

int KeyGen(const std::string& path) {
  release::KeyPair pair = release::MakeKeyPair();
  const std::string why = publish::WriteSecretKeyFile(path, pair.secretKey);
  release::Wipe(pair.secretKey.data(), pair.secretKey.size());
  if (!why.empty()) return Fail(why);
  std::printf("%s\n", release::ToBase64(pair.publicKey).c_str());
  return 0;
}

int PublicKey(const std::string& path) {
  release::SecretKey key;
  const std::string why = publish::ReadSecretKeyFile(path, key);
  if (!why.empty()) return Fail(why);
  std::printf("%s\n", release::ToBase64(release::PublicKeyOf(key)).c_str());
  release::Wipe(key.data(), key.size());
  return 0;
}

// Writes the index beside an archive package and gives its digest. A package
// that can have no index is still served, whole; only a failure to write one
// is an error.
std::optional<std::string> WriteIndex(const std::string& packagePath, std::optional<release::Sha256Digest>& digest) {
  std::string text;
  const std::string why = publish::MakePackageIndex(packagePath, text);
  const std::string indexPath = packagePath + release::kIndexSuffix;
  if (!why.empty()) {
    std::fprintf(stderr, "quelbo-publish: no index, the package will always be fetched whole: %s\n", why.c_str());
    return std::nullopt;
  }
  platform::FileHandle file =
      platform::OpenFile(indexPath, platform::FileAccess::Write, platform::FileCreation::CreateAlways);
  if (file == platform::kNoFile) return indexPath + ": " + std::strerror(errno);
  const bool written =
      platform::WriteToFile(file, text.data(), text.size()) == static_cast<std::ptrdiff_t>(text.size());
  const int error = errno;
  platform::CloseFile(file);
  if (!written) return indexPath + ": " + std::strerror(error);
  digest = release::Sha256Of(text.data(), text.size());
  return std::nullopt;
}

int SignRelease(std::map<std::string, std::string> options) {
  for (const char* required : {"--key", "--version", "--base-url", "--package", "--program", "--serial"})
    if (!options.count(required)) return Fail(std::string("missing ") + required);
  if (options.count("--valid") == options.count("--expires")) return Fail("give one of --valid and --expires");
  const std::optional<std::int64_t> serial = Number(options["--serial"]);
  if (!serial) return Fail("--serial needs a whole number from 0 to 9223372036854775807");
  // A reply that is already past its time would be refused by every updater.
  const std::int64_t now = std::time(nullptr);
  std::int64_t expires = 0;
  if (options.count("--valid")) {
    const std::int64_t valid = Seconds(options["--valid"]);
    if (valid < 0) return Fail("--valid needs a duration such as 3600, 12h or 30d");
    if (valid == 0) return Fail("--valid 0 makes a reply that expires as it is made; give a longer duration");
    expires = now + valid;
  } else {
    const std::optional<std::int64_t> at = Number(options["--expires"]);
    if (!at) return Fail("--expires needs a Unix time");
    if (*at <= now)
      return Fail("--expires " + options["--expires"] + " has passed (it is " + std::to_string(now) +
                  " now); give a time to come");
    expires = *at;
  }
  // An empty version or base URL makes a reply that no update can come from.
  for (const char* needed : {"--version", "--base-url"})
    if (options[needed].empty()) return Fail(std::string(needed) + " must not be empty");
  const std::string& packagePath = options["--package"];
  const std::string packageName = platform::NameOf(packagePath);
  for (const std::string& field : {options["--version"], options["--base-url"], packageName, options["--program"]})
    if (!UsableField(field)) return Fail("\"" + field + "\" holds a \"|\" or a control character");
  if (packageName.empty()) return Fail("--package needs a file");

  release::Sha256Digest digest;
  std::int64_t size = 0;
  const std::string unusable = publish::ReadPackageFile(packagePath, publish::IsArchiveName(packageName), digest, size);
  if (!unusable.empty()) return Fail(unusable);
  std::optional<release::Sha256Digest> index;
  if (publish::IsArchiveName(packageName)) {
    const std::optional<std::string> problem = WriteIndex(packagePath, index);
    if (problem) return Fail(*problem);
  }
  release::SecretKey key;
  const std::string why = publish::ReadSecretKeyFile(options["--key"], key);
  if (!why.empty()) return Fail(why);
  const std::string reply =
      release::SignedReply(release::UnsignedReply(options["--version"], options["--base-url"], packageName,
                                                  options["--program"], digest, size, expires, *serial, index),
                           key);
  release::Wipe(key.data(), key.size());
  std::printf("%s\n", reply.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = platform::CommandLineArguments(argc, argv);
  try {
    if (args.size() == 2 && args[0] == "keygen") return KeyGen(args[1]);
    if (args.size() == 2 && args[0] == "public-key") return PublicKey(args[1]);
    if (!args.empty() && args[0] == "sign" && args.size() % 2 == 1) {
      std::map<std::string, std::string> options;
      for (std::size_t i = 1; i < args.size(); i += 2) {
        static const char* const kKnown[] = {"--key",     "--version", "--base-url", "--package",
                                             "--program", "--serial",  "--valid",    "--expires"};
        if (std::find(std::begin(kKnown), std::end(kKnown), args[i]) == std::end(kKnown)) return Usage();
        if (!options.emplace(args[i], args[i + 1]).second) return Fail(args[i] + " given twice");
      }
      return SignRelease(std::move(options));
    }
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  return Usage();
}
