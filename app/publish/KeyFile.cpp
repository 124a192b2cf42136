#include "app/publish/KeyFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace publish {
namespace {

std::string Why(const std::string& path) { return path + ": " + std::strerror(errno); }

// Closes the descriptor and wipes the buffer, whatever way the function leaves.
struct SecretScope {
  int fd = -1;
  std::string* text = nullptr;
  ~SecretScope() {
    if (fd >= 0) ::close(fd);
    if (text && !text->empty()) release::Wipe(text->data(), text->size());
  }
};

}  // namespace

std::string WriteSecretKeyFile(const std::string& path, const release::SecretKey& key) {
  std::string text = release::ToBase64(key) + "\n";
  SecretScope scope{-1, &text};
  // O_EXCL: an existing key, perhaps the one every player's updater trusts,
  // is never overwritten.
  scope.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (scope.fd < 0) return Why(path);
  if (::fchmod(scope.fd, 0600) != 0) return Why(path);
  for (std::size_t done = 0; done < text.size();) {
    ssize_t n = ::write(scope.fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const std::string why = Why(path);
      ::unlink(path.c_str());
      return why;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(scope.fd) != 0) return Why(path);
  return "";
}

std::string ReadSecretKeyFile(const std::string& path, release::SecretKey& key) {
  SecretScope scope;
  // O_NONBLOCK: opening a FIFO must not wait for a writer before it is refused.
  scope.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (scope.fd < 0) return Why(path);
  struct stat st;
  if (::fstat(scope.fd, &st) != 0) return Why(path);
  if (!S_ISREG(st.st_mode)) return path + ": not a regular file";
  if ((st.st_mode & 077) != 0)
    return path + ": others may read this secret key; allow only its owner (chmod 600 '" + path + "')";
  char buffer[256];
  std::string text;
  scope.text = &text;
  for (;;) {
    ssize_t n = ::read(scope.fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
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
