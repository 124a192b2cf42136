#pragma once
// A read-only file stream behind a read buffer: the archive is read in many
// small records (headers, the byte-wise rebuild scan) and in large data blocks,
// which go straight to the caller's memory. A file whose content is already in
// memory is read from there instead.
#include <vector>

#include "core/Streams.h"
#include "platform/FileHandle.h"

class TBufferedFileStream : public TStream {
 public:
  // Raises EFOpenError "Cannot open file "%s". %s" when the file cannot be opened.
  TBufferedFileStream(const AnsiString& FileName, std::size_t bufferSize = 8192);
  // The content of FileName, held by the caller for the stream's lifetime.
  TBufferedFileStream(const AnsiString& FileName, const void* Content, std::size_t Size);
  ~TBufferedFileStream() override;
  TBufferedFileStream(const TBufferedFileStream&) = delete;
  TBufferedFileStream& operator=(const TBufferedFileStream&) = delete;

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(std::int64_t NewSize) override;
  std::int64_t Size() override { return size_; }
  const AnsiString& FileName() const { return name_; }
  // Reads one byte; false at the end of the file.
  bool ReadByte(std::uint8_t& b);

 private:
  bool Fill();
  platform::FileHandle fd_ = platform::kNoFile;
  const std::uint8_t* content_ = nullptr;  // the file's bytes when they are in memory
  AnsiString name_;
  std::int64_t size_ = 0;
  std::int64_t position_ = 0;     // logical position
  std::int64_t bufferStart_ = 0;  // file position of buffer_[0]
  std::size_t bufferLength_ = 0;
  std::vector<std::uint8_t> buffer_;
};
