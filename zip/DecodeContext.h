#pragma once
// What every decoder shares: the fetch of compressed input in blocks, the
// least-significant-bit-first bit reader of the older methods, and the output
// flush that guards the member's size and keeps the running CRC-32.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace zip {

inline constexpr std::size_t kBlockSize = 32768;
inline constexpr std::size_t kWorkAreaSize = 32780;

// Compressed bytes of one member, already decrypted. ReadBlock fills up to max
// bytes and raises when the archive ends before the member's data does.
class CompressedSource {
 public:
  virtual ~CompressedSource() = default;
  virtual std::size_t ReadBlock(std::uint8_t* buffer, std::size_t max) = 0;
  // Bytes that can certainly be read from here on (0 when not known).
  virtual std::uint64_t Available() const { return 0; }
};

// Where decoded bytes go; raises ECantWriteUCF when it cannot take them all.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  virtual void Write(const std::uint8_t* data, std::size_t length) = 0;
};

// The three buffers of one extraction, allocated once and shared by all
// members, and the whole-member buffers of the in-memory deflate path.
struct DecodeBuffers {
  DecodeBuffers();
  ~DecodeBuffers();
  DecodeBuffers(const DecodeBuffers&) = delete;
  DecodeBuffers& operator=(const DecodeBuffers&) = delete;
  std::vector<std::uint8_t> input = std::vector<std::uint8_t>(kBlockSize + 1);
  std::vector<std::uint8_t> output = std::vector<std::uint8_t>(kBlockSize + 1);
  std::vector<std::uint8_t> work = std::vector<std::uint8_t>(kWorkAreaSize);
  std::vector<std::uint8_t> wholeInput;
  std::vector<std::uint8_t> wholeOutput;
  void* fastInflater = nullptr;  // created on first use, freed with the buffers
};

class DecodeContext {
 public:
  using BlockHook = std::function<void()>;
  using ProgressHook = std::function<void(std::uint64_t written)>;

  DecodeContext(DecodeBuffers& buffers, CompressedSource& source, OutputSink& sink, std::uint64_t compressedSize,
                std::uint64_t uncompressedSize);
  // Called before each input block is read (message dispatch, cancel and pause).
  void SetBlockHook(BlockHook h) { blockHook_ = std::move(h); }
  // Called after each output block with the bytes written so far.
  void SetProgressHook(ProgressHook h) { progressHook_ = std::move(h); }

  std::uint64_t CompressedSize() const { return compressedSize_; }
  std::uint64_t RemainingInput() const { return remaining_; }
  std::uint64_t SourceAvailable() const { return source_.Available(); }
  DecodeBuffers& Buffers() { return buffers_; }
  std::uint64_t UncompressedSize() const { return uncompressedSize_; }
  std::uint64_t Written() const { return written_ + outCount_; }
  std::uint32_t Crc() const { return crc_; }
  std::uint8_t* WorkArea() { return buffers_.work.data(); }

  // Input. NextBlock returns the next block of up to 32768 bytes (empty at the end).
  std::size_t NextBlock(const std::uint8_t*& data);
  // Reads the next block into dst directly; 0 at the end.
  std::size_t ReadBlockInto(std::uint8_t* dst, std::size_t max);
  // The next compressed byte, or -1 at the end of the data.
  int NextByte() {
    if (inPos_ < inLen_) return buffers_.input[inPos_++];
    return RefillByte();
  }

  // Bit reader: the low n bits (n <= 24) of the stream, least significant first.
  // Reading beyond the end sets EndOfData and returns zeros for the missing bits.
  std::uint32_t Bits(unsigned n) {
    if (bitCount_ < n) RefillBits();
    std::uint32_t v = bitBuffer_ & ((1u << n) - 1);
    if (bitCount_ < n) {
      endOfData_ = true;
      bitBuffer_ = 0;
      bitCount_ = 0;
      return v;
    }
    bitBuffer_ >>= n;
    bitCount_ -= n;
    return v;
  }
  // Looks at the next n bits without taking them; zeros beyond the end.
  std::uint32_t PeekBits(unsigned n) {
    if (bitCount_ < n) RefillBits();
    return bitBuffer_ & ((1u << n) - 1);
  }
  unsigned BitsAvailable() const { return bitCount_; }
  void DropBits(unsigned n) {
    if (n > bitCount_) {
      endOfData_ = true;
      n = bitCount_;
    }
    bitBuffer_ >>= n;
    bitCount_ -= n;
  }
  bool EndOfData() const { return endOfData_; }
  // Lets a decoder that met malformed data end the way it ends at the end of data.
  void SetEndOfData() { endOfData_ = true; }

  // Output through the 32768-byte buffer.
  void Put(std::uint8_t b) {
    buffers_.output[outCount_++] = b;
    if (outCount_ == kBlockSize) Flush();
  }
  std::uint8_t* OutputBuffer() { return buffers_.output.data(); }
  std::size_t OutputCount() const { return outCount_; }
  void SetOutputCount(std::size_t n) { outCount_ = n; }
  // Writes the waiting bytes: raises EBiggerThanUncompressed when they would go
  // beyond the member's size, otherwise writes them and updates the CRC.
  void Flush();
  // Writes a block held elsewhere, with the same checks (the output buffer must be empty).
  void WriteBlock(const std::uint8_t* data, std::size_t length);

 private:
  int RefillByte();
  void RefillBits() {
    while (bitCount_ <= 24) {
      int b = NextByte();
      if (b < 0) return;
      bitBuffer_ |= static_cast<std::uint32_t>(b) << bitCount_;
      bitCount_ += 8;
    }
  }

  DecodeBuffers& buffers_;
  CompressedSource& source_;
  OutputSink& sink_;
  std::uint64_t compressedSize_;
  std::uint64_t remaining_;
  std::uint64_t uncompressedSize_;
  std::uint64_t written_ = 0;
  std::uint32_t crc_ = 0;
  std::size_t inPos_ = 0, inLen_ = 0;
  std::uint32_t bitBuffer_ = 0;
  unsigned bitCount_ = 0;
  bool endOfData_ = false;
  std::size_t outCount_ = 0;
  BlockHook blockHook_;
  ProgressHook progressHook_;
};

}  // namespace zip
