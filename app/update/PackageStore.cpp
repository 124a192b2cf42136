#include "app/update/PackageStore.h"

#include <cerrno>

#include "core/SysUtils.h"
#include "platform/Files.h"

// Writes the body into the partial file from its current end, telling the
// reason when the file takes no more.
class TPackageStore::FileWriter : public TBodyWriter {
 public:
  explicit FileWriter(TFileStream& file) : file_(file) {}
  void Announce(std::int64_t) override {}
  void Write(const void* Data, std::size_t Count) override {
    const auto* p = static_cast<const char*>(Data);
    for (std::size_t left = Count; left > 0;) {
      errno = 0;
      const std::int64_t n = file_.Write(p, static_cast<std::int64_t>(left));
      if (n <= 0)
        throw EWriteError(Format("Cannot write file \"%s\". %s", file_.FileName().c_str(),
                                 platform::ErrorText(errno != 0 ? errno : ENOSPC).c_str()));
      p += n;
      left -= static_cast<std::size_t>(n);
    }
  }
  void Restart() override { file_.SetSize(0); }

 private:
  TFileStream& file_;
};

TPackageStore::TPackageStore(const AnsiString& PartPath, std::int64_t MemoryLimit)
    : partPath_(PartPath), memoryLimit_(MemoryLimit) {}

TPackageStore::~TPackageStore() = default;

void TPackageStore::OpenFile() {
  if (!file_) {
    file_ = std::make_unique<TFileStream>(partPath_, fmCreate);
    fileWriter_ = std::make_unique<FileWriter>(*file_);
  }
  road_ = fileWriter_.get();
}

void TPackageStore::Announce(std::int64_t Total) {
  if (!road_ || (InMemory() && memory_.Size() == 0)) {
    if (Total >= 0 && Total <= memoryLimit_) {
      if (!memoryStore_) memoryStore_ = std::make_unique<TMemoryStore>(memory_);
      road_ = memoryStore_.get();
    } else {
      memory_.Clear();
      OpenFile();
    }
  }
  road_->Announce(Total);
}

void TPackageStore::Write(const void* Data, std::size_t Count) {
  // Every body is announced first; one that was not goes to the file.
  if (!road_) OpenFile();
  road_->Write(Data, Count);
}

void TPackageStore::Restart() {
  if (road_) road_->Restart();
}

void* TPackageStore::Room(std::size_t Count) { return InMemory() ? road_->Room(Count) : nullptr; }

bool TPackageStore::Continue(std::int64_t Held) {
  try {
    file_ = std::make_unique<TFileStream>(partPath_, fmOpenReadWrite);
    if (file_->Size() < Held) {
      file_.reset();
      return false;
    }
    file_->SetSize(Held);
    file_->Seek(0, TSeekOrigin::soEnd);
  } catch (const Exception&) {
    file_.reset();
    return false;
  }
  fileWriter_ = std::make_unique<FileWriter>(*file_);
  road_ = fileWriter_.get();
  return true;
}

void TPackageStore::CloseFile() {
  road_ = nullptr;
  fileWriter_.reset();
  file_.reset();
}
