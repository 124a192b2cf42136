#pragma once
// The few places where a test stands in for the world around the updater: the
// immediate exit, the connectivity test, the installation directory, the
// update server and the publisher's key. Unset, each is the real thing.
#include <functional>
#include <cstdint>
#include <optional>

#include "core/Types.h"

// Ends the process at once with the exit code: no window is closed, no further
// event runs and nothing more is written. With an exit hook set, the hook gets
// the code instead and the call returns; callers return straight after it.
void ExitProcessNow(int code);
using ExitHook = std::function<void(int code)>;
// Returns the previous hook.
ExitHook SetExitHook(ExitHook hook);

// While set, IsOnline reports what the hook returns.
using OnlineHook = std::function<int()>;
OnlineHook SetOnlineHook(OnlineHook hook);
const OnlineHook& CurrentOnlineHook();

// While not empty, GetAppDir returns this directory (with its trailing "/").
void SetAppDirOverride(const AnsiString& dir);
const AnsiString& AppDirOverride();

// The update server, host or host:port: the build setting unless overridden.
AnsiString UpdateHost();
void SetUpdateHostOverride(const AnsiString& host);

// Packages whose announced length is at most this many bytes are downloaded
// into memory and unpacked from there; longer ones, and those of unknown
// length, go straight to a file. Tests lower it to take the file's road with
// small packages.
std::int64_t PackageMemoryLimit();
void SetPackageMemoryLimitOverride(std::optional<std::int64_t> limit);

// The publisher's public key that replies must be signed with (base64): the
// build setting unless overridden; "" means none. nullopt ends the override.
AnsiString UpdatePublicKey();
void SetUpdatePublicKeyOverride(std::optional<AnsiString> key);
