#include "app/publish/KeyFile.h"

#include <cerrno>
#include <cstring>

#include "platform/FileHandle.h"
#include "platform/OwnerOnlyFiles.h"

namespace publish {
namespace {

std::string Why(const std::string& path) { return path + ": " + std::strerror(errno); }

std::string OwnerOnlyHint(const std::string& path) {
#ifdef _WIN32
  return "remove everyone else from the permissions of '" + path + "'";
#else
  return "chmod 600 '" + path + "'";
#endif
}

// Closes the descriptor and wipes the buffer, whatever way the function leaves.
struct SecretScope {
  platform::FileHandle fd = platform::kNoFile;
  std::string* text = nullptr;
  ~SecretScope() {
    platform::CloseFile(fd);
    if (text && !text->empty()) release::Wipe(text->data(), text->size());
  }
};

}  // namespace

std::string WriteSecretKeyFile(const std::string& path, const release::SecretKey& key) {
  std::string text = release::ToBase64(key) + "\n";
  SecretScope scope{platform::kNoFile, &text};
  // Only a new file: an existing key, perhaps the one every player's updater
  // trusts, is never overwritten.
  scope.fd = platform::CreateOwnerOnlyFile(path);
  if (scope.fd == platform::kNoFile) return Why(path);
  if (!platform::WriteAllToFile(scope.fd, text.data(), text.size())) {
    const std::string why = Why(path);
    platform::CloseFile(scope.fd);
    platform::RemoveFile(path);
    return why;
  }
  if (!platform::SyncFile(scope.fd)) return Why(path);
  return "";
}

std::string ReadSecretKeyFile(const std::string& path, release::SecretKey& key) {
  // The text outlives the scope that wipes it.
  std::string text;
  SecretScope scope;
  scope.fd = platform::OpenFile(path, platform::FileAccess::Read, platform::FileCreation::OpenExisting);
  if (scope.fd == platform::kNoFile)
    return errno == EISDIR || errno == EINVAL ? path + ": not a regular file" : Why(path);
  bool othersMayRead = true;
  if (!platform::OthersMayRead(scope.fd, othersMayRead)) return Why(path);
  if (othersMayRead)
    return path + ": others may read this secret key; allow only its owner (" + OwnerOnlyHint(path) + ")";
  char buffer[256];
  scope.text = &text;
  for (;;) {
    const std::ptrdiff_t n = platform::ReadFromFile(scope.fd, buffer, sizeof buffer);
    if (n < 0) return Why(path);
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    release::Wipe(buffer, sizeof buffer);
    if (text.size() > 1024) break;
  }
  std::string_view line = text;
  if (line.ends_with('\n')) line.remove_suffix(1);
  std::optional<release::SecretKey> decoded = release::FromBase64<64>(line);
  // The stored public half must be the one the seed gives.
  const bool consistent = decoded && [&] {
    const release::PublicKey derived = release::PublicKeyOf(*decoded);
    return release::ConstantTimeEqual(derived.data(), decoded->data() + 32, derived.size());
  }();
  if (!consistent) {
    if (decoded) release::Wipe(decoded->data(), decoded->size());
    return path + ": not a secret key made by quelbo-publish";
  }
  key = *decoded;
  release::Wipe(decoded->data(), decoded->size());
  return "";
}

}  // namespace publish
