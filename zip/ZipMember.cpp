// Extracting one member: target, password check, overwrite decision, decoding
// into a temporary file, verification and the rename over the target.

#include <cerrno>
#include <cmath>
#include <optional>

#include "core/UserInterface.h"
#include "platform/FileAttributes.h"
#include "platform/Files.h"
#include "zip/Decoders.h"
#include "zip/DosDateTime.h"
#include "zip/ZipCrypto.h"
#include "zip/ZipExtractor.h"
#include "zip/ZipOutputFile.h"
#include "zip/ZipTargetPath.h"

// The member's compressed bytes from the archive (and the parts that follow
// it in a split archive), decrypted when the member is encrypted.
class ArchiveMemberSource : public zip::CompressedSource {
 public:
  ArchiveMemberSource(TZipExtractor& z, zip::TraditionalCipher* cipher) : z_(z), cipher_(cipher) {}

  std::size_t ReadBlock(std::uint8_t* buffer, std::size_t max) override {
    std::size_t got = static_cast<std::size_t>(std::max<std::int64_t>(0, z_.archive_->Read(buffer, static_cast<std::int64_t>(max))));
    while (got < max && z_.multiMode_ != mmNone && z_.currentDisk_ < z_.endCentral_.ThisDisk()) {
      try {
        z_.OpenDisk(z_.currentDisk_ + 1);
      } catch (const EStreamError&) {
        throw EUserCanceled(zipmsg::kAborted);
      }
      z_.archive_->SetPosition(0);
      std::int64_t n = z_.archive_->Read(buffer + got, static_cast<std::int64_t>(max - got));
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    if (got < max) throw EFatalUnzipError(zipmsg::kPrematureEnd);
    if (z_.OnDecrypt && (cipher_ || (z_.current_.flags & zip::kFlagEncrypted)))
      z_.OnDecrypt(&z_, buffer, static_cast<int>(got), z_.Password);
    else if (cipher_)
      cipher_->Decrypt(buffer, got);
    return got;
  }

  std::uint64_t Available() const override {
    if (z_.multiMode_ != mmNone) return 0;
    std::int64_t left = z_.archive_->Size() - z_.archive_->Position();
    return left > 0 ? static_cast<std::uint64_t>(left) : 0;
  }

 private:
  TZipExtractor& z_;
  zip::TraditionalCipher* cipher_;
};

namespace {
// File types as Unix stores them in the high bits of a member's attributes.
bool IsUnixLink(unsigned unixMode) { return (unixMode & 0170000) == 0120000; }
bool IsUnixDirectory(unsigned unixMode) { return (unixMode & 0170000) == 0040000; }

// The member's own Unix mode when it carries one. Otherwise the bits of the
// file it replaces, so an updated program stays a program, or the default for
// a new file. The MS-DOS read-only bit decides whether the owner may write.
unsigned FileModeFor(const TZipHeaderInfo& h, bool retain, const std::optional<unsigned>& replaced) {
  unsigned mode = replaced.value_or(platform::DefaultFileMode());
  const unsigned unixMode = h.externalAttributes >> 16;
  const bool ownMode = retain && h.Host() == zip::kHostUnix && unixMode != 0 && !IsUnixLink(unixMode) &&
                       !IsUnixDirectory(unixMode);
  if (ownMode) mode = unixMode & 0777;
  if (retain && (h.externalAttributes & 0x01)) mode &= ~0222u;
  else if (!ownMode && replaced) mode |= 0200;
  // The other MS-DOS attributes are the member's own, not the replaced file's.
  mode &= ~(platform::kModeHidden | platform::kModeSystem | platform::kModeArchive);
  if (retain && (h.externalAttributes & 0x02)) mode |= platform::kModeHidden;
  if (retain && (h.externalAttributes & 0x04)) mode |= platform::kModeSystem;
  if (retain && (h.externalAttributes & 0x20)) mode |= platform::kModeArchive;
  return mode;
}

// Room to reserve for a member. The recorded size is the archive's claim, so
// it is believed only as far as the compressed data could expand (Deflate's
// limit is about 1032 to 1): a forged size costs no disk space.
std::uint64_t ReservationFor(std::uint64_t size, std::uint64_t compressed) {
  constexpr std::uint64_t kMaxExpansion = 1032;
  const std::uint64_t limit = compressed > UINT64_MAX / kMaxExpansion ? UINT64_MAX : compressed * kMaxExpansion;
  return std::min(size, limit);
}

int Percent(std::uint64_t part, std::uint64_t whole) {
  if (whole == 0) return 0;
  double p = std::nearbyint(static_cast<double>(part) * 100.0 / static_cast<double>(whole));
  return p > 100 ? 100 : static_cast<int>(p);
}
}  // namespace

bool TZipExtractor::NameIsExact(const AnsiString& path, const TZipHeaderInfo& h) {
  if (platform::ToOsPathExact(path)) return true;
  // No file is made under a name with a character put in for one that could
  // not be read: two such names would end as one file.
  ShowMessage(zmBadFileName, zipmsg::kBadFileName + h.FullName(), zipmsg::kBadFileNameCaption, MB_OK);
  return false;
}

void TZipExtractor::RefuseName(const AnsiString& target, int index, const TZipHeaderInfo& h) {
  ShowMessage(zmBadFileName, zipmsg::kBadFileName + h.FullName(), zipmsg::kBadFileNameCaption, MB_OK);
  Skip(srCreateError, target, index, h);
}

void TZipExtractor::CannotCreate(const char* format, const AnsiString& target, int error, int index,
                                 const TZipHeaderInfo& h) {
  if (AllOrNothing()) throw EFCreateError(Format(format, target.c_str(), platform::ErrorText(error).c_str()));
  Skip(srCreateError, target, index, h);
}

void TZipExtractor::CheckFailed(const char* format, const TZipHeaderInfo& h) {
  if (AllOrNothing()) throw EMemberCheckFailed(Format(format, h.FullName().c_str()));
}

bool TZipExtractor::ProcessMember(int index, zip::DecodeBuffers& buffers) {
  current_.Assign(view_->Items(index));
  TZipHeaderInfo& h = current_;
  const bool hasName = !h.fileName.empty();

  std::uint16_t localName = 0, localExtra = 0;
  std::uint64_t headerOffset = h.LocalHeaderOffset64();
  if (hasName) {
    OpenDisk(h.DiskStart());
    archive_->SetPosition(headerOffset > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<std::int64_t>(headerOffset));
    std::uint8_t raw[zip::kLocalHeaderSize];
    if (archive_->Read(raw, sizeof raw) == static_cast<std::int64_t>(sizeof raw)) {
      localName = zip::Get16(raw + 26);
      localExtra = zip::Get16(raw + 28);
    }
  }

  zip::TargetDirectory target = zip::ComputeTargetDirectory(destDir_, h.directory, RecreateDirs, relativePaths_);
  if (!hasName) {
    AnsiString dir = target.path.empty() ? AnsiString(".") : target.path;
    if (!target.safe) {
      RefuseName(target.path, index, h);
      return false;
    }
    if (!NameIsExact(dir, h)) {
      Skip(srCreateError, target.path, index, h);
      return false;
    }
    dir = targetNames_.Resolve(dir);
    if (RecreateDirs && !platform::DirectoryExists(dir)) {
      if (Target().ForceDirectories(dir)) targetNames_.Added(dir);
      // Otherwise the directory entry is done all the same, unless nothing may be left out.
      else if (AllOrNothing()) CannotCreate(zipmsg::kCannotCreateDirectory, dir, errno, index, h);
    }
    unsigned unixMode = h.externalAttributes >> 16;
    if (RetainAttributes && RecreateDirs && h.Host() == zip::kHostUnix && unixMode != 0 && !IsUnixLink(unixMode))
      directoryModes_.emplace_back(dir, unixMode & 0777);
    ++done_;
    return false;
  }

  AnsiString fname = target.path + h.fileName;
  if (!target.safe || zip::IsUnsafeFileName(h.fileName)) {
    RefuseName(fname, index, h);
    return false;
  }
  // Archives are made where "Data\Map.dat" and "data\map.dat" are one file.
  fname = targetNames_.Resolve(fname);
  bool skip = false;
  if (OnStartUnZip) OnStartUnZip(this, index, fname, skip);
  if (skip) return false;
  if (!NameIsExact(fname, h)) {
    Skip(srCreateError, fname, index, h);
    return false;
  }
  AnsiString parent = zip::ParentOf(fname);
  // Why the directory could not be made, which is why the file cannot be.
  int parentError = 0;
  if (!parent.empty() && !platform::DirectoryExists(parent)) {
    if (Target().ForceDirectories(parent)) targetNames_.Added(parent);
    else parentError = errno == EEXIST ? ENOTDIR : errno;  // a file stands where the directory goes
  }
  if (cleanedDirectories_.insert(parent).second) zip::RemoveStaleTemporaryFiles(parent);

  // Where the member's data starts; the encryption header comes first.
  std::uint64_t compressed = h.CompressedSize64();
  std::uint64_t dataStart = headerOffset + zip::kLocalHeaderSize + localName + localExtra;
  std::optional<zip::TraditionalCipher> cipher;
  if (h.Encrypted()) {
    const std::uint8_t want = (h.flags & zip::kFlagDataDescriptor) ? static_cast<std::uint8_t>((h.dateTime & 0xFFFF) >> 8)
                                                                   : static_cast<std::uint8_t>(h.crc32 >> 24);
    while (true) {
      std::uint8_t header[zip::TraditionalCipher::kHeaderSize];
      bool haveHeader = compressed >= sizeof header;
      if (haveHeader) {
        archive_->SetPosition(static_cast<std::int64_t>(std::min<std::uint64_t>(dataStart, INT64_MAX)));
        haveHeader = archive_->Read(header, sizeof header) == static_cast<std::int64_t>(sizeof header);
      }
      if (haveHeader) {
        cipher.emplace(Password);
        if (cipher->DecryptHeader(header) == want) break;
      }
      AnsiString newPassword = Password;
      if (haveHeader && OnBadPassword) OnBadPassword(this, index, newPassword);
      if (haveHeader && newPassword != Password) {
        Password = newPassword;
        continue;
      }
      Skip(srBadPassword, h.FullName(), index, h);
      CheckFailed(zipmsg::kBadPassword, h);
      return false;
    }
    compressed -= zip::TraditionalCipher::kHeaderSize;
    dataStart += zip::TraditionalCipher::kHeaderSize;
  }

  // A member of the same name that waits to be installed counts as the file.
  const bool exists = platform::FileExists(fname) || Target().Waiting(fname);
  if (OverwriteMode != TUZOverwriteMode::Always && exists) {
    bool overwrite = false;
    switch (OverwriteMode) {
      case TUZOverwriteMode::Prompt:
        if (OnPromptForOverwrite)
          OnPromptForOverwrite(this, overwrite, index, fname);
        else
          overwrite = ShowMessage(zmOverwritePrompt, zipmsg::kReplacePrefix + h.fileName + "?", zipmsg::kReplaceCaption,
                                  MB_YESNO) == IDYES;
        break;
      case TUZOverwriteMode::Never:
        break;
      case TUZOverwriteMode::ifNewer:
      case TUZOverwriteMode::ifOlder: {
        std::uint32_t existing = 0;
        platform::GetFileDosDateTime(fname, existing);
        std::int64_t member = zip::DosDateTimeToCalendar(h.dateTime), file = zip::DosDateTimeToCalendar(existing);
        overwrite = OverwriteMode == TUZOverwriteMode::ifNewer ? member > file : member < file;
        break;
      }
      case TUZOverwriteMode::Always:
        overwrite = true;
        break;
    }
    if (!overwrite) {
      Skip(srNoOverwrite, fname, index, h);
      return false;
    }
  }

  // A read-only target cannot be replaced unless ReplaceReadOnly allows it; a
  // directory in the target's place never can.
  std::optional<unsigned> replacedMode;
  if (unsigned m; platform::GetFileMode(fname, m)) replacedMode = m;
  std::unique_ptr<zip::MemberOutput> out;
  int createError = parentError;
  if (!createError && platform::DirectoryExists(fname)) createError = EISDIR;
  if (!createError && !ReplaceReadOnly && platform::IsReadOnlyFile(fname)) createError = EACCES;
  if (!createError && !(out = Target().CreateMember(fname))) createError = errno;
  if (createError) {
    CannotCreate(zipmsg::kCannotCreate, fname, createError, index, h);
    return false;
  }

  const std::uint64_t size = h.UncompressedSize64();
  if (!out->Reserve(ReservationFor(size, compressed))) throw ECantWriteUCF(zipmsg::kCantWrite);

  archive_->SetPosition(static_cast<std::int64_t>(std::min<std::uint64_t>(dataStart, INT64_MAX)));
  ArchiveMemberSource source(*this, cipher ? &*cipher : nullptr);
  zip::DecodeContext ctx(buffers, source, *out, compressed, size);
  ctx.SetBlockHook([this] { CheckMessages(); });
  const std::int64_t totalBefore = totalWritten_;
  ctx.SetProgressHook([&](std::uint64_t written) {
    totalWritten_ = totalBefore + static_cast<std::int64_t>(written);
    if (OnFilePercentDone) OnFilePercentDone(this, Percent(written, size));
    if (OnTotalPercentDone)
      OnTotalPercentDone(this, Percent(static_cast<std::uint64_t>(totalWritten_), static_cast<std::uint64_t>(std::max<std::int64_t>(totalBytes_, 0))));
  });

  bool tooBig = false;
  try {
    switch (h.compressionMethod) {
      case zip::kStored:
        zip::DecodeStored(ctx);
        break;
      case zip::kShrunk:
        zip::DecodeShrunk(ctx);
        break;
      case 2: case 3: case 4: case 5:
        zip::DecodeReduced(ctx, h.compressionMethod - 1);
        break;
      case zip::kImploded:
        zip::DecodeImploded(ctx, h.flags, [this] {
          ShowMessage(zmInflateOutOfMemory, zipmsg::kOutOfMemory, zipmsg::kOutOfMemoryCaption, MB_OK);
        });
        break;
      case zip::kDeflated:
        zip::DecodeDeflated(ctx);
        break;
      default:
        ShowMessage(zmUnknownMethod, zipmsg::kUnknownMethod, zipmsg::kUnknownMethodCaption, MB_OK);
        break;
    }
  } catch (const EBiggerThanUncompressed&) {
    tooBig = true;
  }

  // A member is good only when its CRC matches and it is exactly as long as
  // recorded: the CRC alone would accept a member cut short at a lucky place.
  // A member known only from a local header that defers its sizes and CRC to a
  // data descriptor has nothing trustworthy to be checked against.
  const bool unverifiable = h.fromLocalHeaderOnly && (h.flags & zip::kFlagDataDescriptor);
  const std::uint32_t crc = ctx.Crc();
  if (!tooBig && !unverifiable && crc == h.crc32 && ctx.Written() == size) {
    if (!out->Finish(platform::DosDateTimeToUnixTime(h.dateTime), FileModeFor(h, RetainAttributes, replacedMode),
                    FlushFilesOnClose))
      throw ECantWriteUCF(zipmsg::kCantWrite);
    // The file takes its name when the run completes.
    Target().Keep(std::move(out));
    keptMembers_.push_back(index);
    targetNames_.Added(fname);
    if (OnEndUnZip) OnEndUnZip(this, index, fname);
    ++done_;
    return false;
  }
  out->Discard();
  if (h.Encrypted()) {
    AnsiString newPassword = Password;
    if (OnBadPassword) OnBadPassword(this, index, newPassword);
    if (newPassword != Password) {
      Password = newPassword;
      totalWritten_ = totalBefore;
      return true;
    }
    Skip(srBadPassword, h.FullName(), index, h);
    CheckFailed(zipmsg::kBadPassword, h);
  } else {
    if (OnBadCRC) OnBadCRC(this, crc, h.crc32, index);
    CheckFailed(zipmsg::kCrcError, h);
  }
  return false;
}
