// The decoders on hand-made streams: the reduced method's run references for
// each compression factor, and every older method on damaged input.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "zip/Decoders.h"
#include "ZipTestSupport.h"
#include "zip/ZipErrors.h"

namespace {

class MemorySource : public zip::CompressedSource {
 public:
  explicit MemorySource(std::string data) : data_(std::move(data)) {}
  std::size_t ReadBlock(std::uint8_t* buffer, std::size_t max) override {
    std::size_t n = std::min(max, data_.size() - pos_);
    std::copy(data_.begin() + static_cast<std::ptrdiff_t>(pos_), data_.begin() + static_cast<std::ptrdiff_t>(pos_ + n), buffer);
    pos_ += n;
    return n;
  }
  std::uint64_t Available() const override { return wholeKnown ? data_.size() - pos_ : 0; }
  bool wholeKnown = false;

 private:
  std::string data_;
  std::size_t pos_ = 0;
};

class StringSink : public zip::OutputSink {
 public:
  void Write(const std::uint8_t* data, std::size_t length) override { out.append(reinterpret_cast<const char*>(data), length); }
  std::string out;
};

// Decodes `input` with the method; returns what came out.
std::string Decode(int method, const std::string& input, std::uint64_t uncompressedSize, std::uint16_t flags = 0,
                   bool wholeKnown = false) {
  zip::DecodeBuffers buffers;
  MemorySource source(input);
  source.wholeKnown = wholeKnown;
  StringSink sink;
  zip::DecodeContext ctx(buffers, source, sink, input.size(), uncompressedSize);
  switch (method) {
    case 1: zip::DecodeShrunk(ctx); break;
    case 2: case 3: case 4: case 5: zip::DecodeReduced(ctx, method - 1); break;
    case 6: zip::DecodeImploded(ctx, flags); break;
    case 8: zip::DecodeDeflated(ctx); break;
    default: zip::DecodeStored(ctx); break;
  }
  return sink.out;
}

// With every follower set empty (256 six-bit zero counts), each following
// byte is read as 8 plain bits: the stream is simply those bytes.
std::string ReducedStream(const std::string& bytes) { return std::string(192, '\0') + bytes; }

TEST(Reduced, RunReferencesForEveryFactor) {
  std::string pattern;
  for (int i = 0; i < 300; ++i) pattern += static_cast<char>(i % 128);  // no escape byte (144) in it
  for (int factor = 1; factor <= 4; ++factor) {
    SCOPED_TRACE(factor);
    const int mask = 0xFF >> factor;
    // Length 3 + 3 at distance 4.
    EXPECT_EQ(Decode(factor + 1, ReducedStream(std::string("abcd\x90\x03\x03", 7)), 10), "abcdabcdab");
    // 144 followed by 0 is a literal 144.
    EXPECT_EQ(Decode(factor + 1, ReducedStream(std::string("x\x90\x00y", 4)), 3), "x\x90y");
    // Distance 300 needs the high bits of V; the length mask adds the next byte.
    std::string refer = pattern;
    refer += '\x90';
    refer += static_cast<char>((1 << (8 - factor)) | mask);
    refer += static_cast<char>(5);
    refer += static_cast<char>(43);  // (300 - 1) & 0xFF
    std::size_t length = static_cast<std::size_t>(mask + 5 + 3);
    EXPECT_EQ(Decode(factor + 1, ReducedStream(refer), 300 + length), pattern + pattern.substr(0, length));
    // A reference before the first byte yields zeros there.
    EXPECT_EQ(Decode(factor + 1, ReducedStream(std::string("ab\x90\x03\x04", 5)), 8), std::string("ab\0\0\0ab\0", 8));
  }
}

// Codes of 9 bits, least significant bit first, as shrinking writes them.
std::string NineBitCodes(const std::vector<unsigned>& codes) {
  std::string out;
  unsigned long long bits = 0;
  unsigned held = 0;
  for (unsigned code : codes) {
    bits |= static_cast<unsigned long long>(code) << held;
    for (held += 9; held >= 8; held -= 8, bits >>= 8) out += static_cast<char>(bits & 0xFF);
  }
  if (held > 0) out += static_cast<char>(bits & 0xFF);
  return out;
}

// A partial clear frees every code that is no other code's prefix and gives
// the lowest free codes to the next strings; a second clear frees what the
// first kept once nothing builds on it.
TEST(Shrunk, PartialClearKeepsPrefixesAndReusesFreedCodes) {
  // a b | 257 "ab" | c, making 259 "abc" | clear: 257 stays (prefix of 259),
  // 258 "ba" and 259 go | d | 257 | 258, now "cd" | 259, now "da".
  EXPECT_EQ(Decode(1, NineBitCodes({'a', 'b', 257, 'c', 256, 2, 'd', 257, 258, 259}), 12), "ababcdabcdda");
  // Cleared twice, 257 goes too: d | 257, now "cd" | 258 "dc" | 259 "cdd".
  EXPECT_EQ(Decode(1, NineBitCodes({'a', 'b', 257, 'c', 256, 2, 256, 2, 'd', 257, 258, 259}), 13), "ababcdcddccdd");
}

TEST(Imploded, DistanceLookupWidthFollowsTheCompressedSize) {
  EXPECT_EQ(zip::ExplodeDistanceLookupBits(200000), 7u);
  EXPECT_EQ(zip::ExplodeDistanceLookupBits(200001), 8u);
}

TEST(Deflated, BothPathsGiveTheSameResults) {
  // The streaming inflater and the whole-member one (used when the member is
  // known to be all there) must agree on output and errors.
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "block " + std::to_string(i % 97) + "\n";
  std::string packed = ziptest::Deflate(text);
  for (bool whole : {false, true}) {
    SCOPED_TRACE(whole);
    EXPECT_EQ(Decode(8, std::string("\x03\x00", 2), 0, 0, whole), "");
    EXPECT_EQ(Decode(8, packed, text.size(), 0, whole), text);
    EXPECT_EQ(Decode(8, packed + "trailing bytes", text.size(), 0, whole), text);
    EXPECT_EQ(Decode(8, packed, text.size() + 10, 0, whole), text);  // shorter than recorded
    EXPECT_THROW(Decode(8, packed, text.size() - 1, 0, whole), EBiggerThanUncompressed);
    for (const std::string& bad : {std::string("\xFF\xFF"), packed.substr(0, packed.size() / 2)}) {
      try {
        Decode(8, bad, text.size(), 0, whole);
        ADD_FAILURE() << "no exception";
      } catch (const EZCompressionError& e) {
        EXPECT_EQ(e.Message(), "error");
      }
    }
  }
}

TEST(Stored, OutputBeyondTheRecordedSize) {
  // Output beyond the recorded size is refused before it is written.
  EXPECT_THROW(Decode(0, "abcdef", 3), EBiggerThanUncompressed);
}

TEST(OlderMethods, DamagedInputEndsQuietlyAndBounded) {
  // Random input with a claimed size of a terabyte: each decoder must stop at
  // the end of its input, without a hang or an allocation of the claimed size.
  std::mt19937 rng(11);
  for (int method : {1, 2, 3, 4, 5, 6}) {
    for (int round = 0; round < 40; ++round) {
      std::string input(static_cast<std::size_t>(rng() % 3000), '\0');
      for (char& c : input) c = static_cast<char>(rng());
      std::uint16_t flags = static_cast<std::uint16_t>(rng() & 6);
      std::string out = Decode(method, input, std::uint64_t(1) << 40, flags);
      EXPECT_LE(out.size(), input.size() * 8 * 8192 + 65536) << method;
    }
  }
}

}  // namespace
