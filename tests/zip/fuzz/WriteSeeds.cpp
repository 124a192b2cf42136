// Seeds for the decoder entries: every unencrypted member of the sample
// archives, as its decoder's entry takes it (flags byte, claimed size,
// compressed data). Run as "fuzz_seeds_zip DIR"; writes DIR/zip_<method>/.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "zip/ZipExtractor.h"
#include "zip/ZipRecords.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& p, const Bytes& b) {
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// The entry of a method and the flags byte it is given there.
bool EntryOf(const TZipHeaderInfo& h, std::string& entry, std::uint8_t& select) {
  switch (h.compressionMethod) {
    case 0: entry = "zip_stored"; select = 0; return true;
    case 1: entry = "zip_shrunk"; select = 0; return true;
    case 2: case 3: case 4: case 5:
      entry = "zip_reduced";
      select = static_cast<std::uint8_t>(h.compressionMethod - 2);
      return true;
    case 6: entry = "zip_imploded"; select = static_cast<std::uint8_t>(h.flags & 6); return true;
    case 8: entry = "zip_deflated"; select = 0; return true;
    default: return false;
  }
}

void SeedsOf(const fs::path& archive, const fs::path& out) {
  const Bytes bytes = ReadFile(archive);
  TZipExtractor z(nullptr);
  z.IncompleteZipMode = izAssumeBad;
  z.DoProcessMessages = false;
  try {
    z.SetZipName(archive.string());
    z.LoadDirectory();
  } catch (const Exception&) {
    return;
  }
  for (int i = 0; i < z.MemberCount() && i < 16; ++i) {
    const TZipHeaderInfo& h = z.Member(i);
    std::string entry;
    std::uint8_t select;
    if (h.Encrypted() || !EntryOf(h, entry, select)) continue;
    const std::uint64_t header = h.LocalHeaderOffset64();
    if (header + zip::kLocalHeaderSize > bytes.size()) continue;
    const std::uint64_t start = header + zip::kLocalHeaderSize + zip::Get16(&bytes[header + 26]) + zip::Get16(&bytes[header + 28]);
    if (start > bytes.size()) continue;
    const std::uint64_t length = std::min<std::uint64_t>({h.CompressedSize64(), bytes.size() - start, 60000});
    const std::uint32_t size = static_cast<std::uint32_t>(std::min<std::uint64_t>(h.UncompressedSize64(), 0x1FFFF));
    for (std::uint8_t whole : {0, 0x80}) {
      if (whole && entry != "zip_deflated") continue;
      Bytes seed = {static_cast<std::uint8_t>(select | whole), static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                    static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)};
      seed.insert(seed.end(), bytes.begin() + static_cast<std::ptrdiff_t>(start),
                  bytes.begin() + static_cast<std::ptrdiff_t>(start + length));
      fs::create_directories(out / entry);
      WriteFile(out / entry / (archive.filename().string() + "-" + std::to_string(i) + (whole ? "-whole" : "")), seed);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  for (const auto& e : fs::directory_iterator(fs::path(QUELBO_SOURCE_DIR) / "tests/zip/data"))
    if (e.is_regular_file()) SeedsOf(e.path(), argv[1]);
  return 0;
}
