// KMZ archives and gzip-compressed KML, made here byte by byte: what is read, and every broken
// archive's error.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/IoError.h"
#include "reading/ArchiveSource.h"
#include "reading/RandomAccess.h"
#include "tests/support/TestSupport.h"

namespace trelvo {
namespace {

std::string Le(uint64_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(i < 8 ? value >> (8 * i) & 0xFF : 0);
  return out;
}

// Raw deflate (window_bits -15, as in zip) or gzip (31).
std::string Compress(const std::string& data, int window_bits) {
  z_stream stream{};
  deflateInit2(&stream, 6, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY);
  std::string out(data.size() + data.size() / 100 + 1024, '\0');  // above deflateBound
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

struct TEntry {
  std::string name;
  std::string data;
  int method = 8;                  // 0 stored, 8 deflated, or another to be refused
  bool descriptor = false;         // sizes and CRC after the data, zeros in the local header
  uint16_t flags = 0;              // 1: encrypted
  int64_t declared_size = -1;      // a size other than the data's
  uint32_t crc_error = 0;          // xor-ed into the CRC
  std::string local_extra = {};    // extra field of the local header
  std::string central_extra = {};  // extra fields of its directory entry, before any ZIP64 one
  std::string comment = {};        // of its directory entry
};

// Info-ZIP's extra fields of every local header: a time stamp and the owner's ids.
const std::string kInfoZipExtra = std::string("UT\x09\x00\x03", 5) + std::string(8, '\1') +
                                  std::string("ux\x0b\x00\x01\x04", 6) + std::string(9, '\2');

struct TZipLayout {
  bool zip64 = false;
  std::string stub = {};     // before the archive, as in a self-extracting one
  bool adjusted = true;      // the offsets count the stub
  std::string comment = {};  // of the archive
};

std::string Zip(const std::vector<TEntry>& entries, const TZipLayout& layout = {}) {
  const bool zip64 = layout.zip64;
  const uint64_t base = layout.adjusted ? layout.stub.size() : 0;
  std::string out;
  std::string directory;
  for (const TEntry& e : entries) {
    const std::string data = e.method == 8 ? Compress(e.data, -15) : e.data;
    const uint32_t crc =
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(e.data.data()),
                                    static_cast<uInt>(e.data.size()))) ^
        e.crc_error;
    const uint64_t size =
        e.declared_size < 0 ? e.data.size() : static_cast<uint64_t>(e.declared_size);
    const uint64_t offset = base + out.size();
    const uint16_t flags = static_cast<uint16_t>(e.flags | (e.descriptor ? 8 : 0));
    const std::string sizes = Le(crc, 4) + Le(data.size(), 4) + Le(size, 4);
    out += "PK\x03\x04" + Le(20, 2) + Le(flags, 2) + Le(static_cast<uint64_t>(e.method), 2) +
           Le(0, 4) + (e.descriptor ? Le(0, 12) : sizes) + Le(e.name.size(), 2) +
           Le(e.local_extra.size(), 2) + e.name + e.local_extra + data;
    if (e.descriptor) out += "PK\x07\x08" + sizes;
    const std::string extra =
        e.central_extra +
        (zip64 ? Le(1, 2) + Le(24, 2) + Le(size, 8) + Le(data.size(), 8) + Le(offset, 8) : "");
    directory += "PK\x01\x02" + Le(45, 2) + Le(20, 2) + Le(flags, 2) +
                 Le(static_cast<uint64_t>(e.method), 2) + Le(0, 4) +
                 (zip64 ? Le(crc, 4) + Le(0xFFFFFFFF, 4) + Le(0xFFFFFFFF, 4) : sizes) +
                 Le(e.name.size(), 2) + Le(extra.size(), 2) + Le(e.comment.size(), 2) + Le(0, 8) +
                 Le(zip64 ? 0xFFFFFFFF : offset, 4) + e.name + extra + e.comment;
  }
  const uint64_t start = base + out.size();
  const uint64_t count = entries.size();
  out += directory;
  if (zip64) {
    const uint64_t record = base + out.size();
    out += "PK\x06\x06" + Le(44, 8) + Le(45, 2) + Le(45, 2) + Le(0, 8) + Le(count, 8) +
           Le(count, 8) + Le(directory.size(), 8) + Le(start, 8) + "PK\x06\x07" + Le(0, 4) +
           Le(record, 8) + Le(1, 4);
    out += "PK\x05\x06" + Le(0, 4) + Le(0xFFFFFFFF, 4) + Le(0xFFFFFFFFFFFFFFFF, 8);
  } else {
    out += "PK\x05\x06" + Le(0, 4) + Le(count, 2) + Le(count, 2) + Le(directory.size(), 4) +
           Le(start, 4);
  }
  return layout.stub + out + Le(layout.comment.size(), 2) + layout.comment;
}

// A gzip member with every optional header field: FEXTRA, FNAME, FCOMMENT and FHCRC.
std::string GzipWithHeaderFields(const std::string& data, uint16_t header_crc_error = 0) {
  std::string header = std::string("\x1f\x8b\x08\x1e", 4) + Le(0, 4) + Le(0x0300, 2) + Le(6, 2) +
                       "ab" + Le(2, 2) + "xy" + "route.kml" + '\0' + "a comment" + '\0';
  const auto crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(header.data()), static_cast<uInt>(header.size())));
  const std::string member = Compress(data, 31);
  return header + Le((crc & 0xFFFF) ^ header_crc_error, 2) + member.substr(10);
}

const std::string kLink =
    "<kml><NetworkLink><Link><href>layers/a.kml</href></Link></NetworkLink></kml>";
const std::string kPaths =
    "<kml>\r\n<LineString><coordinates>1,2,3 4,5,6</coordinates></LineString>\r\n"
    "<LineString><coordinates>7,8,9</coordinates></LineString></kml>";
const std::string kPoint = "<Point><coordinates>-1.5,2.5</coordinates></Point>";

class Archive : public ::testing::Test {
 protected:
  // The entities read from `bytes` as a file (archive or plain text alike), or the error.
  std::string Read(const std::string& bytes, TEntityType type = TEntityType::kPath) {
    test::WriteFileBytes(m_folder.Path("in.kmz"), bytes);
    std::string error;
    if (test::Convert(m_folder.Path("in.kmz"), m_folder.Path("out.csv"), type, ',', &error) < 0) {
      EXPECT_EQ(m_folder.Entries(), (std::vector<std::string>{"in.kmz"})) << "output written";
      const std::string prefix = "Cannot read input file \"" + m_folder.Path("in.kmz") + "\": ";
      return error.rfind(prefix, 0) == 0 ? "error: " + error.substr(prefix.size()) : error;
    }
    const std::string text = test::ReadFileBytes(m_folder.Path("out.csv"));
    return text.substr(text.find("Entity type:"));
  }

  test::TTempDir m_folder;
};

TEST_F(Archive, ReadsEveryKmlEntryInDirectoryOrder) {
  const std::string both = Read(kPaths + "\n" + kPaths);
  // Google Earth and My Maps: a doc.kml of links, the data in further documents.
  EXPECT_EQ(
      Read(Zip(
          {{"doc.kml", kLink}, {"files/logo.png", "\x89PNG<Point>"}, {"layers/a.kml", kPaths}})),
      Read(kPaths));
  EXPECT_EQ(Read(Zip({{"a.kml", kPaths, 0}, {"B.KML", kPaths, 0}})), both);
  EXPECT_EQ(Read(Zip({{"a.kml", kPaths, 8, true}, {"b.kml", kPaths, 0, true}})), both);
  EXPECT_EQ(Read(Zip({{"a.kml", kPaths}, {"b.kml", kPaths, 0}}, {.zip64 = true})), both);
  // Extra fields in the local headers (Info-ZIP writes 28 bytes), before the ZIP64 field of the
  // directory, and comments of entries and of the archive, one that holds an end signature.
  const std::string kUt = kInfoZipExtra.substr(0, 13);
  EXPECT_EQ(Read(Zip({{"a.kml", kPaths, 8, false, 0, -1, 0, kInfoZipExtra, kUt, "first"},
                      {"b.kml", kPaths, 0, true, 0, -1, 0, kInfoZipExtra, kInfoZipExtra, "x"}},
                     {.comment = "PK\x05\x06 looks like an end record"})),
            both);
  EXPECT_EQ(Read(Zip({{"a.kml", kPaths, 8, false, 0, -1, 0, kInfoZipExtra, kUt},
                      {"b.kml", kPaths, 0, false, 0, -1, 0, "", kInfoZipExtra}},
                     {.zip64 = true, .comment = "archive"})),
            both);
  // An entry ending without a line break does not run into the next.
  EXPECT_EQ(Read(Zip({{"a.kml", kPoint}, {"b.kml", kPoint}}), TEntityType::kPoint),
            Read(kPoint + "\n" + kPoint, TEntityType::kPoint));
  EXPECT_EQ(Read(Compress(kPaths, 31)), Read(kPaths));
  EXPECT_EQ(Read(GzipWithHeaderFields(kPaths)), Read(kPaths));
  // Recognised by more than their first bytes: a program before the archive (with offsets that
  // count it or not), the split marker, compression around compression or an archive, a zlib
  // stream, the zero padding tape tools leave.
  const std::vector<TEntry> two = {{"a.kml", kPaths}, {"b.kml", kPaths, 0}};
  const std::string stub = "MZ" + std::string(3000, '\x90');
  EXPECT_EQ(Read(Zip(two, {.stub = stub})), both);
  EXPECT_EQ(Read(Zip(two, {.stub = stub, .adjusted = false})), both);
  EXPECT_EQ(Read(Zip(two, {.stub = "PK\x07\x08"})), both);
  EXPECT_EQ(Read(Compress(Zip(two), 31)), both);
  EXPECT_EQ(Read(Compress(Compress(kPaths, 31), 31)), Read(kPaths));
  EXPECT_EQ(Read(Compress(kPaths, 15)), Read(kPaths));
  EXPECT_EQ(Read(Compress(kPaths, 31) + std::string(1024, '\0')), Read(kPaths));
  // Each entry is a document of its own: what one leaves open does not hide the next.
  EXPECT_EQ(Read(Zip({{"a.kml", "<kml><!-- cut"},
                      {"b.kml", kPaths},
                      {"c.kml", "<![CDATA[ cut"},
                      {"d.kml", kPaths}})),
            both);
  EXPECT_EQ(Read(Compress(kPaths, 31) + Compress(kPaths, 31)), both);
  // Larger than zlib's chunks and the reader's blocks.
  std::string big = "<LineString><coordinates>";
  for (int i = 0; i < 200000; ++i) big += std::to_string(i) + ",1,2 ";
  big += "</coordinates></LineString>";
  EXPECT_EQ(test::FirstDifference(Read(Zip({{"big.kml", big}})), Read(big)), "");
}

TEST_F(Archive, EveryBrokenArchiveIsAnErrorAndWritesNothing) {
  const std::string zip = Zip({{"a.kml", kPaths}});
  const std::string zip64 = Zip({{"a.kml", kPaths}}, {.zip64 = true});
  const std::string bomb(1000000, 'x');

  const struct {
    std::string bytes;
    std::string error;
  } cases[] = {
      {Zip({{"doc.txt", kPaths}, {"img.png", "x"}}), "error: the archive holds no KML document"},
      {Zip({}), "error: the archive holds no KML document"},
      {Zip({{"doc.kml", std::string("\xFF\xFE<\0k\0", 6)}}),
       "error: \"doc.kml\": UTF-16 text is not supported; save it as UTF-8"},
      {Compress(std::string("<\0k\0m\0l\0", 8), 31),
       "error: UTF-16 text is not supported; save it as UTF-8"},
      {Compress(kPaths, 31) + "garbage", "error: the compressed data is corrupt"},
      {Zip({{"a.kml", kPaths, 8, false, 1}}), "error: \"a.kml\" is encrypted"},
      {Zip({{"a.kml", kPaths, 12}}),
       "error: \"a.kml\" uses compression method 12, which is not supported"},
      {Zip({{"a.kml", kPaths, 8, false, 0, -1, 1}}), "error: \"a.kml\" is corrupt (CRC mismatch)"},
      {Zip({{"a.kml", kPaths + bomb, 8, false, 0, 1000}}),
       "error: \"a.kml\" inflates past its declared size"},
      {Zip({{"a.kml", kPaths, 8, false, 0, 100000}}), "error: \"a.kml\" is truncated or corrupt"},
      {zip.substr(0, 60), "error: the archive has no central directory (truncated?)"},
      {zip.substr(0, zip.find("PK\x01\x02")) + std::string(46, 'x') +
           zip.substr(zip.find("PK\x05\x06")),
       "error: the archive's directory is corrupt"},
      {Zip({{"a.kml", kPaths, 0, false, 0, -1, 1}}), "error: \"a.kml\" is corrupt (CRC mismatch)"},
      // Lengths and offsets that point past the bytes there.
      {Zip({{"a.kml", kPaths, 8, false, 0, -1, 0, "", Le(0x5455, 2) + Le(50, 2) + "abc"}}),
       "error: the archive's directory is corrupt"},
      {Zip({{"a.kml", kPaths, 8, false, 0, -1, 0, "", Le(1, 2) + Le(24, 2) + Le(5, 8)}}),
       "error: the archive's directory is corrupt"},
      // A ZIP64 field that declares more than the directory holds (it once read past it).
      {Zip({{"a.kml", kPaths, 8, false, 0, 0xFFFFFFFF, 0, "", Le(1, 2) + Le(24, 2)}}),
       "error: the archive's directory is corrupt"},
      {zip.substr(0, 28) + "\xff\xff" + zip.substr(30), "error: \"a.kml\" is truncated"},
      {zip.substr(0, zip.size() - 2) + Le(100, 2),
       "error: the archive has no central directory (truncated?)"},
      {zip64.substr(0, zip64.find("PK\x06\x07") + 8) + Le(1000000, 8) +
           zip64.substr(zip64.find("PK\x06\x07") + 16),
       "error: the ZIP64 directory is corrupt"},
      {Compress(kPaths, 31).substr(0, 30), "error: the compressed data is truncated"},
      {GzipWithHeaderFields(kPaths).substr(0, 20), "error: the compressed data is truncated"},
      {GzipWithHeaderFields(kPaths, 1), "error: the compressed data is corrupt"},
      {"\x1f\x8b" + std::string(40, 'x'), "error: the compressed data is corrupt"},
  };

  for (const auto& c : cases) EXPECT_EQ(Read(c.bytes), c.error);
}

// The zip reader alone, from memory: the text of the KML entries, or the error.
std::string Unzip(const std::string& bytes) {
  try {
    TZipSource zip(std::make_unique<TRandomAccessMemory>(bytes), "in.kmz");
    std::string text;
    char block[4096];
    while (const size_t count = zip.Read(block, sizeof(block))) text.append(block, count);
    return text;
  } catch (const TIoError& error) {
    return std::string("error: ") + error.what();
  }
}

// A self-extracting archive: a program, then the zip, whose offsets may or may not count the
// program (unzip reads both).
TEST(ArchiveInMemory, ReadsAnArchiveBehindAStub) {
  const std::string stub = "MZ" + std::string(5000, '\x90');
  const std::vector<TEntry> entries = {{"a.kml", kPaths}, {"b.png", "x", 0}, {"c.kml", kPoint, 0}};
  for (const bool adjusted : {true, false}) {
    EXPECT_EQ(Unzip(Zip(entries, {.stub = stub, .adjusted = adjusted})), kPaths + "\n" + kPoint);
  }
  EXPECT_EQ(Unzip(Zip(entries, {.zip64 = true, .stub = stub})), kPaths + "\n" + kPoint);
}

}  // namespace
}  // namespace trelvo
