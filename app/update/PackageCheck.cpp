#include "app/update/PackageCheck.h"

namespace {

[[noreturn]] void RefuseLarger(std::int64_t size) {
  throw EPackageRefused(Format("The package is larger than the %lld bytes announced", static_cast<long long>(size)));
}

}  // namespace

void TPromisedSize::Announce(std::int64_t Total) {
  if (size_ && Total > *size_) RefuseLarger(*size_);
  TBodyFilter::Announce(Total);
}

void TPromisedSize::Write(const void* Data, std::size_t Count) {
  if (size_ && static_cast<std::uint64_t>(Count) > static_cast<std::uint64_t>(*size_ - passed_)) RefuseLarger(*size_);
  passed_ += static_cast<std::int64_t>(Count);
  TBodyFilter::Write(Data, Count);
}

void TPromisedSize::Restart() {
  passed_ = 0;
  TBodyFilter::Restart();
}

Result<> TPromisedSize::Verdict() const {
  if (!size_ || passed_ == *size_) return {};
  return Refused{Format("The package has %lld bytes instead of the %lld announced", static_cast<long long>(passed_),
                        static_cast<long long>(*size_))};
}

void TPackageDigest::Write(const void* Data, std::size_t Count) {
  hasher_.Add(Data, Count);
  TBodyFilter::Write(Data, Count);
}

void TPackageDigest::Restart() {
  hasher_.Reset();
  TBodyFilter::Restart();
}

Result<> TPackageDigest::Verdict() {
  const std::optional<release::Sha256Digest> digest = hasher_.Final();
  if (!digest) return Refused{"The package's first part, kept from an earlier run, cannot be read"};
  if (!release::ConstantTimeEqual(digest->data(), promised_.data(), digest->size()))
    return Refused{"The package's SHA-256 is not the one announced"};
  return {};
}
