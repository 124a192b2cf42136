#pragma once
// Where a package's bytes go as they arrive, the end of the body's chain of
// writers. A body whose announced length is at most the memory limit stays
// in memory (received there in place), so an archive can be unpacked from
// there; a longer one, or one whose length is not announced, goes straight
// into the package's partial file, so memory stays small whatever the size,
// and a later run can go on from the bytes it holds.
#include <cstdint>
#include <memory>

#include "core/Streams.h"
#include "http/BodyWriter.h"

class TPackageStore : public TBodyWriter {
 public:
  // PartPath: the partial file, made only when the body goes there.
  TPackageStore(const AnsiString& PartPath, std::int64_t MemoryLimit);
  ~TPackageStore() override;

  // The road is chosen by the first announcement, and again after a restart
  // of a body held in memory (its new length may be another).
  void Announce(std::int64_t Total) override;
  // A write the file refuses (a full disk) raises EWriteError with the reason.
  void Write(const void* Data, std::size_t Count) override;
  void Restart() override;
  void* Room(std::size_t Count) override;

  // The partial file holds the body's first Held bytes from an earlier run:
  // anything after them is cut off and the body goes on there. False when
  // the file cannot be opened or holds fewer bytes.
  bool Continue(std::int64_t Held);

  bool InMemory() const { return road_ == memoryStore_.get() && road_; }
  bool InFile() const { return file_ != nullptr; }
  const AnsiString& PartPath() const { return partPath_; }
  // The body held in memory.
  const void* Memory() const { return memory_.Memory(); }
  std::int64_t MemorySize() { return memory_.Size(); }
  // Closes the partial file; its bytes stay.
  void CloseFile();

 private:
  void OpenFile();

  AnsiString partPath_;
  std::int64_t memoryLimit_;
  TMemoryStream memory_;
  std::unique_ptr<TMemoryStore> memoryStore_;
  std::unique_ptr<TFileStream> file_;
  TBodyWriter* road_ = nullptr;
  class FileWriter;
  std::unique_ptr<FileWriter> fileWriter_;
};
