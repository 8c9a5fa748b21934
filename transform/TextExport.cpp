#include "transform/TextExport.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "transform/AtomicFile.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace trelvo {
namespace {

// Flush once this much is buffered; one row needs far less than the reserve left above it.
constexpr size_t kFlushSize = size_t{1} << 20;
// One vertex row at most: three fixed-point numbers, two separators and the line break.
constexpr size_t kRowRoom = 3 * kFixedRoom + 4;
constexpr std::string_view kLineBreak = "\r\n";

#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 TUint128;

constexpr uint64_t kPowersOfTen[] = {1ULL,
                                     10ULL,
                                     100ULL,
                                     1000ULL,
                                     10000ULL,
                                     100000ULL,
                                     1000000ULL,
                                     10000000ULL,
                                     100000000ULL,
                                     1000000000ULL,
                                     10000000000ULL,
                                     100000000000ULL,
                                     1000000000000ULL,
                                     10000000000000ULL,
                                     100000000000000ULL,
                                     1000000000000000ULL,
                                     10000000000000000ULL,
                                     100000000000000000ULL,
                                     1000000000000000000ULL,
                                     10000000000000000000ULL};

// "00" to "99", for writing two digits at a time.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes exactly `count` decimal digits of `value` (with leading zeros) ending at `end`.
// 32-bit arithmetic: the values written here are below 10^8.
inline void WriteDigitsBackward(char* end, uint32_t value, int count) {
  for (; count >= 2; count -= 2) {
    const uint32_t pair = value % 100 * 2;
    value /= 100;
    end -= 2;
    std::memcpy(end, kDigitPairs + pair, 2);
  }
  if (count == 1) *--end = static_cast<char>('0' + value % 10);
}

// The eight decimal digits of `value` (below 10^8, with leading zeros) as the ASCII bytes of a
// little-endian word, first digit first: the halves, quarters and digits are split in parallel
// lanes of the word by multiplications (x * 10486 >> 20 is x / 100 below 10^4, x * 103 >> 10
// is x / 10 below 100).
inline uint64_t EightDigits(uint32_t value) {
  const uint64_t halves = (value / 10000) | (uint64_t{value % 10000} << 32);
  const uint64_t hundreds = ((halves * 10486) >> 20) & ((uint64_t{0x7F} << 32) | 0x7F);
  const uint64_t pairs = ((halves - 100 * hundreds) << 16) + hundreds;
  const uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000FULL;
  const uint64_t digits = ((pairs - 10 * tens) << 8) + tens;
  return digits + 0x3030303030303030ULL;
}

// Writes eight bytes: EightDigits(value) in memory order.
inline void StoreEightDigits(char* out, uint32_t value) {
  uint64_t digits = EightDigits(value);
  if constexpr (std::endian::native == std::endian::big) digits = __builtin_bswap64(digits);
  std::memcpy(out, &digits, 8);
}

#if defined(__SSE2__) && defined(__x86_64__)
// The eight decimal digits of `value` (below 10^8) in the 16-bit lanes of a vector: split
// into four-digit halves, each copied to four lanes, divided there by 1000, 100, 10 and 1
// (multiply-high by 8389, 5243, 13108 and 32768, then by 2^7, 2^11, 2^13 and 2^15, on four
// times the half), and each lane less ten times its left neighbour is one digit.
inline __m128i EightDigitLanes(uint32_t value) {
  const __m128i whole = _mm_cvtsi32_si128(static_cast<int>(value));
  const __m128i high =
      _mm_srli_epi64(_mm_mul_epu32(whole, _mm_set1_epi32(static_cast<int>(0xD1B71759U))), 45);
  const __m128i low = _mm_sub_epi32(whole, _mm_mul_epu32(high, _mm_set1_epi32(10000)));
  const __m128i halves = _mm_slli_epi64(_mm_unpacklo_epi16(high, low), 2);
  const __m128i spread =
      _mm_unpacklo_epi32(_mm_unpacklo_epi16(halves, halves), _mm_unpacklo_epi16(halves, halves));
  const __m128i prefixes = _mm_mulhi_epu16(
      _mm_mulhi_epu16(spread, _mm_setr_epi16(8389, 5243, 13108, -32768, 8389, 5243, 13108, -32768)),
      _mm_setr_epi16(1 << 7, 1 << 11, 1 << 13, -32768, 1 << 7, 1 << 11, 1 << 13, -32768));
  return _mm_sub_epi16(prefixes, _mm_slli_epi64(_mm_mullo_epi16(prefixes, _mm_set1_epi16(10)), 16));
}

// The ASCII digits of `first` and `second` (both below 10^8): eight bytes each, in order.
inline __m128i SixteenDigits(uint32_t first, uint32_t second) {
  return _mm_add_epi8(_mm_packus_epi16(EightDigitLanes(first), EightDigitLanes(second)),
                      _mm_set1_epi8('0'));
}
#endif

// Decimal digits of `value`, from its bit length (log10(2) is about 1233 / 4096).
// (0 counts as 1, like 1: setting the low bit never crosses a power of ten.)
inline int DigitCount(uint32_t value) {
  value |= 1;
  const int guess = ((32 - __builtin_clz(value)) * 1233) >> 12;
  return guess + (value >= kPowersOfTen[guess] ? 1 : 0);
}

// |value| * 10^decimals rounded to an integer, ties to even like std::to_chars, for
// |value| < 10^8 and up to 11 decimals: a double is m * 2^e, so the product is
// m * 10^decimals / 2^-e, divided and rounded in 128-bit integers.
__attribute__((noinline)) uint64_t ScaledExactly(double value, int decimals) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof(bits));
  const auto biased_exponent = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  if (biased_exponent != 0) mantissa |= uint64_t{1} << 52;
  // |value| = mantissa / 2^shift; shift > 0 since |value| < 2^52.
  const int shift = 1075 - (biased_exponent != 0 ? biased_exponent : 1);
  uint64_t scaled = 0;  // below 10^19
  if (mantissa != 0 && shift < 64) {
    // The usual case (|value| of 2^-11 and more): quotient and remainder are 64-bit words.
    const TUint128 product = TUint128{mantissa} * kPowersOfTen[decimals];
    const auto quotient = static_cast<uint64_t>(product >> shift);
    const uint64_t remainder = static_cast<uint64_t>(product) & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    scaled = quotient + ((remainder > half || (remainder == half && (quotient & 1) != 0)) ? 1 : 0);
  } else if (mantissa != 0 && shift < 120) {
    const TUint128 product = TUint128{mantissa} * kPowersOfTen[decimals];
    const TUint128 quotient = product >> shift;
    const TUint128 remainder = product - (quotient << shift);
    const TUint128 half = TUint128{1} << (shift - 1);
    scaled = static_cast<uint64_t>(quotient);
    if (remainder > half || (remainder == half && (scaled & 1) != 0)) ++scaled;
  }
  return scaled;
}

// Exact fixed-point formatting for the values coordinates take (|value| < 10^8, up to 11
// decimals); nullptr when the value is outside that range, which std::to_chars then handles.
// Always inlined, so that where `decimals` is a constant (the rows' 10 and 5) every power of
// ten, division and branch on it is resolved at compile time.
__attribute__((always_inline)) inline char* FormatFixedFast(char* out, double value, int decimals) {
  if (!(std::fabs(value) < 1e8) || decimals < 0 || decimals > 11) return nullptr;
  // Double arithmetic first: the product p = |value| * 10^decimals is rounded once (the power
  // is exact) and rounding is monotonic, so below 2^51, where every half-integer is a double,
  // p lies on the same side of each half-integer as the true product. r, the integer nearest
  // p (adding and subtracting 1.5 * 2^52 rounds to an integer), is then the rounded true
  // product unless p is itself a half-integer: a tie, or a value next to one, which the exact
  // integer arithmetic decides.
  const double approximate = std::fabs(value) * static_cast<double>(kPowersOfTen[decimals]);
  const double nearest = (approximate + 0x1.8p52) - 0x1.8p52;
  const uint64_t scaled = approximate < 0x1p51 && std::fabs(approximate - nearest) < 0.5
                              ? static_cast<uint64_t>(nearest)
                              : ScaledExactly(value, decimals);
  // No minus sign on a value that rounds to zero.
  if (value < 0 && scaled != 0) *out++ = '-';
  const uint64_t unit = kPowersOfTen[decimals];
  const auto integer = static_cast<uint32_t>(scaled / unit);  // below 10^8
  const int integer_digits = DigitCount(integer);
#if defined(__SSE2__) && defined(__x86_64__)
  // The rows' two widths: the integer's digits and the fraction's last eight (or five) in one
  // vector; each part is stored in eight bytes, what lands past it is overwritten next or
  // lies beyond the row's end. (Other widths, and other processors, go digit pair by pair.)
  if (decimals == 10 || decimals == 5) {
    const uint64_t fraction = scaled % unit;
    const __m128i digits = SixteenDigits(
        integer, static_cast<uint32_t>(decimals == 10 ? fraction % 100000000 : fraction));
    const uint64_t integer_bytes =
        static_cast<uint64_t>(_mm_cvtsi128_si64(digits)) >> (8 * (8 - integer_digits));
    std::memcpy(out, &integer_bytes, 8);
    out += integer_digits;
    *out++ = '.';
    const __m128i fraction_digits = _mm_unpackhi_epi64(digits, digits);
    if (decimals == 10) {
      std::memcpy(out, kDigitPairs + fraction / 100000000 * 2, 2);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 2), fraction_digits);
      return out + 10;
    }
    const uint64_t fraction_bytes = static_cast<uint64_t>(_mm_cvtsi128_si64(fraction_digits)) >> 24;
    std::memcpy(out, &fraction_bytes, 8);
    return out + 5;
  }
#endif
  // All eight digits, then the significant ones moved in one 8-byte copy; what lands past
  // them is overwritten by the fraction or lies beyond the row's end.
  char digits[16] = {};
  StoreEightDigits(digits, integer);
  std::memcpy(out, digits + 8 - integer_digits, 8);
  out += integer_digits;
  if (decimals > 0) {
    *out++ = '.';
    const uint64_t fraction = scaled % unit;
    out += decimals;
    if (decimals > 8) {
      WriteDigitsBackward(out, static_cast<uint32_t>(fraction % 100000000), 8);
      WriteDigitsBackward(out - 8, static_cast<uint32_t>(fraction / 100000000), decimals - 8);
    } else {
      WriteDigitsBackward(out, static_cast<uint32_t>(fraction), decimals);
    }
  }
  return out;
}
#else
char* FormatFixedFast(char*, double, int) { return nullptr; }
#endif

}  // namespace

std::string_view EntityTypeName(TEntityType entity_type) {
  switch (entity_type) {
    case TEntityType::kPoint:
      return "Point";
    case TEntityType::kPath:
      return "Path";
    case TEntityType::kPolygon:
      return "Polygon";
  }
  throw std::invalid_argument("unknown entity type " +
                              std::to_string(static_cast<int>(entity_type)));
}

namespace {

// What the fast formatter leaves: std::to_chars, without a minus sign on a zero.
__attribute__((noinline)) char* FormatFixedGeneral(char* out, double value, int decimals) {
  const auto result =
      std::to_chars(out, out + kFixedRoom, value, std::chars_format::fixed, decimals);
  // -0.0 and tiny negatives would print as -0.000...; a row reads better without the sign.
  if (*out == '-' && value > -1.0) {
    bool all_zero = true;
    for (const char* c = out + 1; c < result.ptr && all_zero; ++c) {
      all_zero = *c == '0' || *c == '.';
    }
    if (all_zero) {
      std::memmove(out, out + 1, static_cast<size_t>(result.ptr - out - 1));
      return result.ptr - 1;
    }
  }
  return result.ptr;
}

// Inlined into the row writer with its constant number of decimals.
__attribute__((always_inline)) inline char* FormatFixedInline(char* out, double value,
                                                              int decimals) {
  char* const end = FormatFixedFast(out, value, decimals);
  return end != nullptr ? end : FormatFixedGeneral(out, value, decimals);
}

}  // namespace

char* FormatFixed(char* out, double value, int decimals) {
  return FormatFixedInline(out, value, decimals);
}

void AppendFixed(std::string& out, double value, int decimals) {
  char digits[kFixedRoom];
  out.append(digits, static_cast<size_t>(FormatFixed(digits, value, decimals) - digits));
}

TTextWriter::TTextWriter(TAtomicFile& file, char separator)
    : m_file(&file), m_separator(separator), m_buffer(kFlushSize + kRowRoom) {}

TTextWriter::TTextWriter(char separator) : m_separator(separator) {}

void TTextWriter::WriteText(std::string_view text) {
  if (text.empty()) return;
  if (m_used + text.size() > m_buffer.size()) MakeRoom(text.size());
  if (m_file != nullptr && text.size() > m_buffer.size()) {
    m_file->Write(text);
    return;
  }
  std::memcpy(m_buffer.data() + m_used, text.data(), text.size());
  m_used += text.size();
}

void TTextWriter::WriteLine(std::string_view text) {
  WriteText(text);
  WriteText(kLineBreak);
}

void TTextWriter::WriteHeader() {
  WriteLine(kProgramName);
  WriteLine("Powered by Brisko Solutions");
  WriteLine(WebAddress);
  WriteLine();
  WriteText("Entity type:");
}

namespace {

// A number of a row: its text copied (sixteen bytes, what lands past it is overwritten next
// or lies beyond the row's end), or its value formatted; a Z (`z`) that is exactly zero as "0".
__attribute__((always_inline)) inline char* WriteNumber(char* out, const TFixedText& number,
                                                        int decimals, bool z) {
  if (number.HoldsText()) {
    std::memcpy(out, number.Bytes(), sizeof(TFixedText));
    return out + number.Text().size();
  }
  if (z && number.Value() == 0.0) {
    *out = '0';
    return out + 1;
  }
  return FormatFixedInline(out, number.Value(), decimals);
}

}  // namespace

char* WriteRowNumberValue(char* out, const TFixedText& number, int decimals, bool z) {
  return WriteNumber(out, number, decimals, z);
}

void AppendRowNumber(std::string& out, const TFixedText& number, int decimals, bool z) {
  char digits[kFixedRoom + sizeof(TFixedText)];
  out.append(digits, static_cast<size_t>(WriteNumber(digits, number, decimals, z) - digits));
}

char* TTextWriter::Reserve(size_t size) {
  if (m_used + size > m_buffer.size()) MakeRoom(size);
  return m_buffer.data() + m_used;
}

size_t TTextWriter::RoomLimit() { return kFlushSize + kRowRoom; }

void TTextWriter::WriteVertexRow(const TVertexText& vertex) {
  if (m_used + kRowRoom > m_buffer.size()) MakeRoom(kRowRoom);
  char* out = m_buffer.data() + m_used;
  out = WriteNumber(out, vertex.X, m_xy_decimals, false);
  *out++ = m_separator;
  out = WriteNumber(out, vertex.Y, m_xy_decimals, false);
  *out++ = m_separator;
  out = WriteNumber(out, vertex.Z, kZDecimals, true);
  *out++ = '\r';
  *out++ = '\n';
  m_used = static_cast<size_t>(out - m_buffer.data());
}

void TTextWriter::WriteVertexBlock(std::span<const TVertexText> vertices) {
  WriteLine();
  char digits[16] = {};
  const auto result = std::to_chars(digits, digits + sizeof(digits), vertices.size());
  WriteText(std::string_view(digits, static_cast<size_t>(result.ptr - digits)));
  WriteLine(" Vertices");
  for (const TVertexText& vertex : vertices) WriteVertexRow(vertex);
}

void TTextWriter::Flush() {
  if (m_file == nullptr) return;
  m_file->Write(std::string_view(m_buffer.data(), m_used));
  m_used = 0;
}

void TTextWriter::MakeRoom(size_t size) {
  if (m_file != nullptr) {
    Flush();
  } else {
    m_buffer.resize(std::max({2 * m_buffer.size(), m_used + size + kRowRoom, RoomLimit()}));
  }
}

void TTextWriter::TakeText(TTextBuffer* text, size_t* size) {
  assert(m_file == nullptr);
  m_buffer.swap(*text);
  *size = m_used;
  m_used = 0;
}

}  // namespace trelvo
