#pragma once
// What the update procedure needs of the world around it: where the
// installation is, which server to ask and which publisher to trust, the
// time, whether there is a network, and control over processes. The program
// fills it in from its own file and build settings; a test fills in its own.
#include <cstdint>
#include <functional>

#include "app/update/Result.h"
#include "core/Types.h"

// Measured (bench/e2e): at 50 MB both roads take the same time, at 200 MB
// the file's road is faster (the memory stream's growth costs more than the
// file's page cache) and needs a seventh of the memory; small packages keep
// the road that needs no read-back.
inline constexpr std::int64_t kPackageMemoryLimit = 32ll << 20;

struct UpdateEnvironment {
  // The installation directory, with its trailing "/", in code page 936.
  AnsiString appDir;
  // The update server, host or host:port.
  AnsiString updateHost;
  // The publisher's public key that replies must be signed with (base64);
  // "" when the program trusts no key.
  AnsiString publicKey;
  // Packages whose announced length is at most this many bytes are
  // downloaded into memory and unpacked from there; longer ones, and those
  // of unknown length, go straight to a file.
  std::int64_t packageMemoryLimit = kPackageMemoryLimit;
  // The download's stall watchdog: a wait of this many milliseconds without
  // a byte counts as a cut (0: the client's own setting).
  int stallTimeoutMs = 0;

  // The clock: the Unix time now.
  std::function<std::int64_t()> now;
  // The online check: whether the system reports a network connection.
  std::function<bool()> online;
  // The wait between two attempts of a fetch, in milliseconds; none: the
  // fetch's own, which lets the window run and ends when the job is cancelled.
  std::function<void(std::int64_t Ms)> sleep;

  // Process control. Ends every process of an executable name, giving the
  // outcome of the last attempt (non-zero on success) or 0 when there was none.
  std::function<int(const AnsiString& ExeName)> killProcessByName;
  // Starts the program at a path without waiting for it; refused when it
  // could not be executed.
  std::function<Result<>(const AnsiString& Path)> startProgram;
  // Ends this process at once with the exit code: no window is closed, no
  // further event runs and nothing more is written.
  std::function<void(int Code)> exitNow;
};

// This system's clock, network and processes, for the installation in
// AppDir, the server Host and the publisher's key Key ("" for none).
UpdateEnvironment SystemEnvironment(const AnsiString& AppDir, const AnsiString& Host, const AnsiString& Key);
