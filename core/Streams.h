#pragma once
// Byte streams: the abstract stream, a memory stream and a file stream.
#include <cstdint>
#include <memory>

#include "core/Classes.h"
#include "platform/FileHandle.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
 public:
  // Read and Write move up to Count bytes and return how many moved.
  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
  virtual void SetSize(std::int64_t NewSize) = 0;

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t p) { Seek(p, TSeekOrigin::soBeginning); }
  virtual std::int64_t Size();

  // All-or-error forms: EReadError "Stream read error", EWriteError "Stream write error".
  void ReadBuffer(void* Buffer, std::int64_t Count);
  void WriteBuffer(const void* Buffer, std::int64_t Count);
  // Copies Count bytes from Source (its whole content from the start when Count is 0).
  std::int64_t CopyFrom(TStream& Source, std::int64_t Count);
};

// A stream over one growable block of memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(std::int64_t NewSize) override;
  std::int64_t Size() override { return size_; }

  // Reserves room for at least NewCapacity bytes; EOutOfMemory when it cannot.
  void SetCapacity(std::int64_t NewCapacity);
  std::int64_t Capacity() const { return capacity_; }
  void* Memory() { return data_; }
  const void* Memory() const { return data_; }
  void Clear();
  void LoadFromStream(TStream& s);
  void LoadFromFile(const AnsiString& FileName);
  void SaveToStream(TStream& s);
  void SaveToFile(const AnsiString& FileName);

 private:
  std::uint8_t* data_ = nullptr;
  bool mapped_ = false;  // data_ is a mapping of its own (large streams)
  std::int64_t size_ = 0;
  std::int64_t capacity_ = 0;
  std::int64_t position_ = 0;
};

// File open modes (share modes have no meaning here and are accepted for form's sake).
enum : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareDenyWrite = 0x0020,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,
};

// A stream over an operating-system file; the name is a code page 936 path.
class TFileStream : public TStream {
 public:
  TFileStream(const AnsiString& FileName, unsigned Mode);
  ~TFileStream() override;

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(std::int64_t NewSize) override;
  platform::FileHandle Handle() const { return fd_; }
  const AnsiString& FileName() const { return name_; }

 private:
  platform::FileHandle fd_ = platform::kNoFile;
  AnsiString name_;
};
