// The block scans of the reading stages, and every use of SIMD in them: each reads sixteen
// bytes a step where SSE2 is there and has a plain twin that gives the same answers, which the
// tests compare it with on random text (and which serves where SSE2 is not).
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace trelvo {

// Character classes, decided once for the hot loops.
enum : uint8_t {
  kSpace = 1,     // whitespace in coordinate text
  kComma = 2,     // tuple field separator
  kNameChar = 4,  // may appear in an XML name (the ':' of a prefix is handled apart)
};

inline constexpr std::array<uint8_t, 256> MakeClasses() {
  std::array<uint8_t, 256> classes{};
  classes[' '] = classes['\t'] = classes['\r'] = classes['\n'] = kSpace;
  classes[','] = kComma;
  for (size_t c = 'a'; c <= 'z'; ++c) classes[c] = kNameChar;
  for (size_t c = 'A'; c <= 'Z'; ++c) classes[c] = kNameChar;
  for (size_t c = '0'; c <= '9'; ++c) classes[c] = kNameChar;
  classes['_'] = classes['-'] = classes['.'] = kNameChar;
  for (size_t c = 0x80; c <= 0xFF; ++c) classes[c] = kNameChar;
  return classes;
}

inline constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

inline bool HasClass(char c, uint8_t mask) {
  return (kClasses[static_cast<unsigned char>(c)] & mask) != 0;
}

// The first byte the markup filter must look at in [from, end): a CR, a '&' (a character
// reference may start there), a '<' before a '!' (a comment or CDATA section may open there),
// or a '<' that ends the block; end when there is none.
inline const char* FindFilterStopPlain(const char* from, const char* end) {
  for (const char* p = from; p < end; ++p) {
    if (*p == '\r' || *p == '&' || (*p == '<' && (p + 1 == end || p[1] == '!'))) return p;
  }
  return end;
}

// FindFilterStopPlain, thirty-two bytes a step. Most '<' open ordinary tags and a '!' is rare
// in KML, so a step looks for a CR, a '&' or a '!' after its byte, and for the '<' before that
// '!' only where there is one.
inline const char* FindFilterStop(const char* from, const char* end) {
  const char* p = from;
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i ampersand = _mm_set1_epi8('&');
  const __m128i less_than = _mm_set1_epi8('<');
  const __m128i bang = _mm_set1_epi8('!');
  const auto load = [](const char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  };
  const auto at_stop = [&](__m128i here) {
    return _mm_or_si128(_mm_cmpeq_epi8(here, cr), _mm_cmpeq_epi8(here, ampersand));
  };
  // Each step reads one byte past its thirty-two: the '!' after a '<'.
  for (; end - p > 32; p += 32) {
    const __m128i low = load(p);
    const __m128i high = load(p + 16);
    const __m128i low_next = load(p + 1);
    const __m128i high_next = load(p + 17);
    const __m128i low_bang = _mm_cmpeq_epi8(low_next, bang);
    const __m128i high_bang = _mm_cmpeq_epi8(high_next, bang);
    const __m128i any =
        _mm_or_si128(_mm_or_si128(at_stop(low), at_stop(high)), _mm_or_si128(low_bang, high_bang));
    if (_mm_movemask_epi8(any) == 0) continue;
    const auto hits = [&](__m128i here, __m128i next_bang) {
      return static_cast<unsigned>(_mm_movemask_epi8(
          _mm_or_si128(at_stop(here), _mm_and_si128(_mm_cmpeq_epi8(here, less_than), next_bang))));
    };
    const unsigned all = hits(low, low_bang) | (hits(high, high_bang) << 16);
    if (all != 0) return p + std::countr_zero(all);
  }
#endif
  return FindFilterStopPlain(p, end);
}

// The first byte of element text the decoder must look at in [from, end): one not ASCII, a '&'
// (a reference may start there) or a byte below 3 (the marks a kept CDATA section leaves, NUL
// with them); end when there is none.
inline const char* FindDecodeStopPlain(const char* from, const char* end) {
  for (const char* p = from; p < end; ++p) {
    if (static_cast<signed char>(*p) < 3 || *p == '&') return p;
  }
  return end;
}

// FindDecodeStopPlain, sixteen bytes a step: most names, times and values are plain ASCII.
inline const char* FindDecodeStop(const char* from, const char* end) {
  const char* p = from;
#if defined(__SSE2__)
  const __m128i below = _mm_set1_epi8(3);
  const __m128i ampersand = _mm_set1_epi8('&');
  const auto first_hit = [&](const char* at) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return _mm_movemask_epi8(
        _mm_or_si128(_mm_cmplt_epi8(here, below), _mm_cmpeq_epi8(here, ampersand)));
  };
  for (; end - p >= 16; p += 16) {
    if (const int hits = first_hit(p); hits != 0) {
      return p + std::countr_zero(static_cast<unsigned>(hits));
    }
  }
  // The last few bytes in one step too, the sixteen that end there: those before p are known
  // to hold no stop.
  if (p < end && end - from >= 16) {
    const int hits = first_hit(end - 16);
    return hits != 0 ? end - 16 + std::countr_zero(static_cast<unsigned>(hits)) : end;
  }
#endif
  // Eight to fifteen bytes (most names) in two words that overlap: in each, the lowest byte
  // with its high bit set after these steps is the first stop.
  if (end - p >= 8 && end - p <= 16 && std::endian::native == std::endian::little) {
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kHighs = 0x8080808080808080u;
    const auto first_stop = [&](const char* at) -> const char* {
      uint64_t word;
      std::memcpy(&word, at, sizeof(word));
      const uint64_t ampersands = word ^ (kOnes * '&');
      const uint64_t hits =
          (word | ((word - kOnes * 3) & ~word) | ((ampersands - kOnes) & ~ampersands)) & kHighs;
      return hits != 0 ? at + std::countr_zero(hits) / 8 : nullptr;
    };
    if (const char* stop = first_stop(p)) return stop;
    const char* stop = first_stop(end - 8);
    return stop != nullptr ? stop : end;
  }
  return FindDecodeStopPlain(p, end);
}

// The first '<' in [from, end), or end.
inline const char* FindLessThanPlain(const char* from, const char* end) {
  return std::find(from, end, '<');
}

// FindLessThanPlain, sixteen bytes a step, for text in a text window: it reads up to fifteen
// bytes past `end`, which the window keeps readable (what lies there does not matter). Past
// the first sixteen bytes (most texts end there) it looks at 64 bytes a step: a long text, a
// geometry's coordinates passed over, goes four times as fast.
inline const char* FindLessThanInWindow(const char* from, const char* end) {
#if defined(__SSE2__)
  const __m128i less_than = _mm_set1_epi8('<');
  const auto at = [&](const char* p) {
    return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), less_than);
  };
  const char* p = from;
  if (p < end) {
    const auto hits = static_cast<unsigned>(_mm_movemask_epi8(at(p)));
    if (hits != 0) return std::min(end, p + std::countr_zero(hits));
    p += 16;
  }
  for (; end - p >= 64; p += 64) {
    const __m128i any =
        _mm_or_si128(_mm_or_si128(at(p), at(p + 16)), _mm_or_si128(at(p + 32), at(p + 48)));
    if (_mm_movemask_epi8(any) != 0) break;
  }
  for (; p < end; p += 16) {
    const auto hits = static_cast<unsigned>(_mm_movemask_epi8(at(p)));
    if (hits != 0) return std::min(end, p + std::countr_zero(hits));
  }
  return end;
#else
  return FindLessThanPlain(from, end);
#endif
}

// FindLessThanInWindow over a text window's text: the offset of its first '<', or its size.
inline size_t FindLessThanInWindow(std::string_view text) {
  return static_cast<size_t>(FindLessThanInWindow(text.data(), text.data() + text.size()) -
                             text.data());
}

// Whether the n bytes at `a` and `b` are the same: a tag name's few letters (or a few tags)
// compared in overlapping words, cheaper than a call of memcmp.
__attribute__((always_inline)) inline bool SameName(const char* a, const char* b, size_t n) {
  const auto same = [&]<typename TWord>(TWord) {
    TWord head_a, head_b, tail_a, tail_b;
    std::memcpy(&head_a, a, sizeof(TWord));
    std::memcpy(&head_b, b, sizeof(TWord));
    std::memcpy(&tail_a, a + n - sizeof(TWord), sizeof(TWord));
    std::memcpy(&tail_b, b + n - sizeof(TWord), sizeof(TWord));
    return head_a == head_b && tail_a == tail_b;
  };
  if (n >= 8) {
    if (n > 32) return std::memcmp(a, b, n) == 0;
    if (n <= 16) return same(uint64_t{});
    // The first sixteen bytes, then the last sixteen.
    uint64_t words_a[4], words_b[4];
    std::memcpy(words_a, a, 16);
    std::memcpy(words_b, b, 16);
    std::memcpy(words_a + 2, a + n - 16, 16);
    std::memcpy(words_b + 2, b + n - 16, 16);
    return ((words_a[0] ^ words_b[0]) | (words_a[1] ^ words_b[1]) | (words_a[2] ^ words_b[2]) |
            (words_a[3] ^ words_b[3])) == 0;
  }
  if (n >= 4) return same(uint32_t{});
  return std::equal(a, a + n, b);
}

// Where `name` first occurs in `text` at or after `from`, or npos.
inline size_t FindNamePlain(std::string_view text, std::string_view name, size_t from) {
  return text.find(name, from);
}

// FindNamePlain, taking as candidates the places where both its first and its last character
// stand, sixteen a step: text rarely has both, where memchr would stop at every first letter.
inline size_t FindName(std::string_view text, std::string_view name, size_t from) {
  const size_t n = name.size();
  assert(n > 0);
  if (text.size() < n) return std::string_view::npos;
  const size_t last_start = text.size() - n;
  size_t i = from;
#if defined(__SSE2__)
  // Spread from a register: _mm_set1_epi8 of a variable goes through memory, byte in and
  // word out, which stalls the store forwarding at every search.
  const auto spread = [](char c) {
    return _mm_set1_epi32(static_cast<int>(static_cast<unsigned char>(c) * 0x01010101u));
  };
  const __m128i first = spread(name.front());
  const __m128i last = spread(name.back());
  for (; i + 15 <= last_start; i += 16) {
    const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i + n - 1));
    auto hits = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_and_si128(_mm_cmpeq_epi8(starts, first), _mm_cmpeq_epi8(ends, last))));
    for (; hits != 0; hits &= hits - 1) {
      const size_t at = i + static_cast<size_t>(std::countr_zero(hits));
      if (SameName(text.data() + at, name.data(), n)) return at;
    }
  }
#endif
  for (; i <= last_start; ++i) {
    if (text[i] == name.front() && text.substr(i, n) == name) return i;
  }
  return std::string_view::npos;
}

// The 64 bytes from `p` a short tuple is classified from at once.
inline constexpr size_t kTupleSpan = 64;

// Bit i of *digits is set when p[i] is a digit, of *number_chars when it is a digit, '.' or
// '-', for the kTupleSpan bytes from `p`.
inline void ClassifyTupleSpanPlain(const char* p, uint64_t* digits, uint64_t* number_chars) {
  *digits = *number_chars = 0;
  for (unsigned i = 0; i < kTupleSpan; ++i) {
    const bool digit = p[i] >= '0' && p[i] <= '9';
    *digits |= uint64_t{digit} << i;
    *number_chars |= uint64_t{digit || p[i] == '.' || p[i] == '-'} << i;
  }
}

// ClassifyTupleSpanPlain, sixteen bytes a step.
inline void ClassifyTupleSpan(const char* p, uint64_t* digits, uint64_t* number_chars) {
#if defined(__SSE2__)
  *digits = *number_chars = 0;
  for (unsigned k = 0; k < kTupleSpan; k += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
    const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(here, _mm_set1_epi8('0' - 1)),
                                        _mm_cmplt_epi8(here, _mm_set1_epi8('9' + 1)));
    const __m128i sign_or_point = _mm_or_si128(_mm_cmpeq_epi8(here, _mm_set1_epi8('.')),
                                               _mm_cmpeq_epi8(here, _mm_set1_epi8('-')));
    *digits |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(digit))) << k;
    *number_chars |= static_cast<uint64_t>(static_cast<unsigned>(
                         _mm_movemask_epi8(_mm_or_si128(digit, sign_or_point))))
                     << k;
  }
#else
  ClassifyTupleSpanPlain(p, digits, number_chars);
#endif
}

}  // namespace trelvo
