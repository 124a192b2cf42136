#pragma once
// Fetching only what of a package changed. The package's end comes first,
// by range, and with it the directory; the members whose installed files
// differ come next, one range for each run of neighbours, all on the one
// connection. They land at their own offsets in a file of the package's
// size, which the extractor then reads as it reads a whole package, told to
// take only the members fetched. The road is taken only when it surely
// leads somewhere; otherwise nothing is left and the caller fetches the
// whole package, with nothing to tell.
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/release/ReleaseCrypto.h"
#include "core/Types.h"
#include "http/RetryPolicy.h"

class THttpClient;

struct TPartialPackage {
  std::set<std::string> fetched;       // the files to extract, by their installed names
  std::vector<std::string> untouched;  // files that stay as they are
  std::int64_t size = 0;               // the package's
  std::int64_t received = 0;           // of its bytes, the end included
};

struct TPartialOptions {
  // A signed release's index digest (see FetchChangedMembers).
  std::optional<release::Sha256Digest> signedIndex;
  // A member's range whose connection fails on the way, or whose server is
  // briefly unable to answer, is asked for again from where it stopped, as
  // the whole package would be: Wait is given the policy's wait and tells
  // whether to go on (false: the update was stopped). Without Wait, the
  // first failure ends the road.
  TRetryPolicy policy;
  std::function<bool(std::int64_t Ms)> wait;
};

// Fetches what of the package at URL differs from the installation in
// AppDir into the file Path, counting the members' bytes to Progress (done,
// planned). Nothing, with no file left at Path, when the server does not
// answer ranges, the package does not read as an archive, the plan saves
// too little, or any answer is not the bytes asked for.
//
// A signed release names its index's SHA-256 in Options: the index is
// fetched first (URL + ".idx") and the road is taken only as it allows (see
// IndexCheck.h); an index that is missing, is not the one signed or does
// not describe the package's directory gives nothing as well.
std::optional<TPartialPackage> FetchChangedMembers(THttpClient& Client, const AnsiString& URL, const AnsiString& Path,
                                                   const AnsiString& AppDir,
                                                   const std::function<void(std::int64_t, std::int64_t)>& Progress,
                                                   const TPartialOptions& Options = {});
