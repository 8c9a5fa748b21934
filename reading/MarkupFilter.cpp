#include "reading/MarkupFilter.h"

#include <cassert>
#include <cstring>
#include <string_view>

#include "reading/TextDecoding.h"
#include "reading/TextScan.h"

namespace trelvo {
namespace {

// A character reference ("&#44;", "&#x2D;") is at most this long.
constexpr size_t kMaxReference = 12;

// The character a numeric character reference stands for, when it is one that coordinate text
// may hold (a digit, sign, point, comma, exponent or white space): XML lets a writer spell any
// character so. Never '<', '&' or a quote, which would change the markup. 0 for anything else.
char DecodeReference(std::string_view reference) {
  if (!reference.starts_with("&#") || !reference.ends_with(';')) return 0;
  std::string_view digits = reference.substr(2, reference.size() - 3);
  const bool hex = digits.starts_with('x') || digits.starts_with('X');
  if (hex) digits.remove_prefix(1);
  if (digits.empty()) return 0;
  unsigned value = 0;
  for (const char c : digits) {
    const int digit = c >= '0' && c <= '9'          ? c - '0'
                      : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                    : -1;
    if (digit < 0 || value > 0x10FFFF) return 0;
    value = value * (hex ? 16 : 10) + static_cast<unsigned>(digit);
  }
  const bool allowed = (value >= '0' && value <= '9') || value == '+' || value == '-' ||
                       value == '.' || value == ',' || value == 'e' || value == 'E' ||
                       value == ' ' || value == '\t' || value == '\n' || value == '\r';
  return allowed ? static_cast<char>(value) : 0;
}

}  // namespace

size_t TMarkupFilter::Read(char* buffer, size_t capacity) {
  for (;;) {
    // Bytes held back from the last block come first.
    const size_t reserve = m_carry.size();
    assert(capacity > reserve);
    std::memcpy(buffer, m_carry.data(), reserve);
    m_carry.clear();
    const size_t count = m_source->Read(buffer + reserve, capacity - reserve);
    size_t made = 0;
    if (count > 0 && m_source->StartsDocument()) {
      // The document before has ended, and with it what it left open: a comment or CDATA
      // section there must not hide the next document.
      made = Filter(buffer, reserve, true);
      m_markup = TMarkup::kText;
      std::memmove(buffer + made, buffer + reserve, count);
      made += Filter(buffer + made, count, false);
    } else {
      made = Filter(buffer, reserve + count, count == 0);
    }
    if (made > 0 || count == 0) return made;
  }
}

// Rewrites text in place as the reader sees it: CR LF becomes LF; a comment becomes whitespace,
// and so does each end of a CDATA section, whose content stays but with no '<' to open a tag;
// outside those, a character reference to a character of coordinates becomes that character.
// So tags are found only in markup, and a comment counts as whitespace wherever it stands.
// Bytes whose meaning the next block decides are held back (at most the 12 of a reference).
// Returns the length of the text left.
size_t TMarkupFilter::Filter(char* data, size_t size, bool at_end) {
  constexpr std::string_view kOpenComment = "<!--";
  constexpr std::string_view kOpenCdata = "<![CDATA[";
  const char* in = data;
  const char* const end = data + size;
  char* out = data;
  const auto cut = [&](std::string_view marker) {
    const std::string_view rest(in, static_cast<size_t>(end - in));
    return !at_end && rest.size() < marker.size() && marker.substr(0, rest.size()) == rest;
  };
  while (in < end) {
    if (m_markup != TMarkup::kText) {
      const std::string_view rest(in, static_cast<size_t>(end - in));
      const size_t close = rest.find(m_markup == TMarkup::kComment ? "-->" : "]]>");
      // Without the close, all but the last two bytes are settled.
      const size_t settled = close != std::string_view::npos ? close
                             : at_end                        ? rest.size()
                                      : rest.size() - std::min<size_t>(2, rest.size());
      if (m_markup == TMarkup::kCdata) {
        for (size_t i = 0; i < settled; ++i) {
          const char c = in[i];
          *out++ = c == '<'                   ? (m_keep_cdata ? kCdataLess : ' ')
                   : c == '&' && m_keep_cdata ? kCdataAmpersand
                                              : c;
        }
      }
      if (close == std::string_view::npos) {
        m_carry.assign(in + settled, end);
        break;
      }
      if (!m_keep_cdata || m_markup == TMarkup::kComment) *out++ = ' ';
      in += close + 3;
      m_markup = TMarkup::kText;
      continue;
    }
    const char* const stop = FindFilterStop(in, end);
    const auto run = static_cast<size_t>(stop - in);
    if (out != in) std::memmove(out, in, run);
    out += run;
    in = stop;
    if (in == end) break;
    if (*in == '\r') {
      if (in + 1 == end && !at_end) {
        m_carry.assign(in, end);  // CR LF or a lone CR: the next block tells
        break;
      }
      if (in + 1 == end || in[1] != '\n') *out++ = '\r';
      ++in;
      continue;
    }
    const std::string_view rest(in, static_cast<size_t>(end - in));
    if (*in == '&') {
      const size_t semicolon = rest.substr(0, kMaxReference).find(';');
      if (semicolon == std::string_view::npos && rest.size() < kMaxReference && !at_end) {
        m_carry.assign(in, end);  // a reference cut by the end of the block
        break;
      }
      const char decoded =
          semicolon == std::string_view::npos ? 0 : DecodeReference(rest.substr(0, semicolon + 1));
      if (decoded != 0) {
        *out++ = decoded;
        in += semicolon + 1;
      } else {
        *out++ = *in++;
      }
      continue;
    }
    if (rest.substr(0, kOpenComment.size()) == kOpenComment) {
      in += kOpenComment.size();
      m_markup = TMarkup::kComment;
      *out++ = ' ';
    } else if (rest.substr(0, kOpenCdata.size()) == kOpenCdata) {
      in += kOpenCdata.size();
      m_markup = TMarkup::kCdata;
      if (!m_keep_cdata) *out++ = ' ';
    } else if (cut(kOpenComment) || cut(kOpenCdata)) {
      m_carry.assign(in, end);
      break;
    } else {
      *out++ = *in++;
    }
  }
  if (at_end) m_carry.clear();  // an unended comment or CDATA section: the file is truncated
  return static_cast<size_t>(out - data);
}

}  // namespace trelvo
