#include "reading/TextDecoding.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "reading/TextScan.h"

namespace trelvo {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// windows-1252's bytes 0x80 to 0x9F; 0 where it defines none.
constexpr std::array<char16_t, 32> kWindows1252 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendCodePoint(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The length of the valid UTF-8 sequence at the start of `bytes`, 0 when it is none.
size_t Utf8SequenceLength(std::string_view bytes) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char first = byte(0);
  if (first < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3;
    if (first == 0xE0) low = 0xA0;
    if (first == 0xED) high = 0x9F;  // no surrogates
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4;
    if (first == 0xF0) low = 0x90;
    if (first == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (bytes.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
           return lower(x) == lower(y);
         });
}

// The code point of the reference "&...;" `reference` names, 0 for none.
char32_t ReferenceValue(std::string_view reference) {
  static constexpr std::pair<std::string_view, char32_t> kNamed[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  for (const auto& [name, value] : kNamed) {
    if (reference == name) return value;
  }
  if (reference.size() < 4 || reference[1] != '#') return 0;
  const bool hex = reference[2] == 'x';
  const std::string_view digits = reference.substr(hex ? 3 : 2, reference.size() - (hex ? 4 : 3));
  if (digits.empty()) return 0;
  char32_t value = 0;
  for (const char c : digits) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return 0;
    value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    if (value > 0x10FFFF) return 0;
  }
  return value;
}

}  // namespace

bool TTextDecoder::SetEncoding(std::string_view name) {
  static constexpr std::pair<std::string_view, TEncoding> kNames[] = {
      {"utf-8", TEncoding::kUtf8},
      {"utf8", TEncoding::kUtf8},
      {"windows-1252", TEncoding::kWindows1252},
      {"cp1252", TEncoding::kWindows1252},
      {"iso-8859-1", TEncoding::kLatin1},
      {"iso8859-1", TEncoding::kLatin1},
      {"latin1", TEncoding::kLatin1},
      {"iso-8859-15", TEncoding::kLatin9},
      {"iso8859-15", TEncoding::kLatin9},
      {"latin-9", TEncoding::kLatin9},
      {"us-ascii", TEncoding::kAscii},
      {"ascii", TEncoding::kAscii}};
  for (const auto& [known, encoding] : kNames) {
    if (EqualsIgnoringCase(name, known)) {
      m_encoding = encoding;
      m_name = std::string(name);
      return true;
    }
  }
  m_encoding = TEncoding::kUtf8;
  m_name = "UTF-8";
  return false;
}

void TTextDecoder::Decode(std::string_view text, std::string& out) {
  while (!text.empty() && IsXmlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsXmlSpace(text.back())) text.remove_suffix(1);
  // Plain ASCII, the usual name, is the text as it stands.
  if (FindDecodeStop(text.data(), text.data() + text.size()) == text.data() + text.size()) {
    out.append(text);
    return;
  }
  while (!text.empty()) {
    const size_t stop = text.find_first_of(std::string_view("&\x01\x02", 3));
    AppendBytes(text.substr(0, stop), out);
    if (stop == std::string_view::npos) return;
    text.remove_prefix(stop);
    if (text.front() != '&') {
      out += text.front() == kCdataLess ? '<' : '&';
      text.remove_prefix(1);
      continue;
    }
    // A reference is short; anything else is a '&' of the text.
    constexpr size_t kLongestReference = 12;
    const size_t semicolon = text.substr(0, kLongestReference).find(';');
    const char32_t value =
        semicolon == std::string_view::npos ? 0 : ReferenceValue(text.substr(0, semicolon + 1));
    if (value == 0) {
      out += '&';
      text.remove_prefix(1);
      continue;
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (surrogate) ++m_replaced;
    AppendCodePoint(surrogate ? kReplacement : value, out);
    text.remove_prefix(semicolon + 1);
  }
}

void TTextDecoder::AppendBytes(std::string_view bytes, std::string& out) {
  if (m_encoding == TEncoding::kUtf8) {
    AppendUtf8(bytes, out);
    return;
  }
  for (const char byte : bytes) {
    const auto c = static_cast<unsigned char>(byte);
    char32_t value = c;
    if (c >= 0x80) {
      switch (m_encoding) {
        case TEncoding::kAscii:
          value = 0;
          break;
        case TEncoding::kWindows1252:
          if (c < 0xA0) value = kWindows1252[c - 0x80];
          break;
        case TEncoding::kLatin9: {
          static constexpr std::pair<unsigned char, char32_t> kLatin9[] = {
              {0xA4, 0x20AC}, {0xA6, 0x0160}, {0xA8, 0x0161}, {0xB4, 0x017D},
              {0xB8, 0x017E}, {0xBC, 0x0152}, {0xBD, 0x0153}, {0xBE, 0x0178}};
          for (const auto& [from, to] : kLatin9) {
            if (c == from) value = to;
          }
          break;
        }
        default:
          break;
      }
    }
    if (value == 0 && c != 0) {
      ++m_replaced;
      value = kReplacement;
    }
    AppendCodePoint(value, out);
  }
}

void TTextDecoder::AppendUtf8(std::string_view bytes, std::string& out) {
  while (!bytes.empty()) {
    // ASCII and valid sequences pass as they stand.
    size_t valid = 0;
    for (size_t length = 0; valid < bytes.size(); valid += length) {
      if (static_cast<unsigned char>(bytes[valid]) < 0x80) {
        length = 1;
      } else if ((length = Utf8SequenceLength(bytes.substr(valid))) == 0) {
        break;
      }
    }
    out.append(bytes.substr(0, valid));
    bytes.remove_prefix(valid);
    if (bytes.empty()) return;
    ++m_replaced;
    AppendCodePoint(kReplacement, out);
    bytes.remove_prefix(1);
  }
}

std::string AttributeValue(std::string_view tag, std::string_view name, TTextDecoder& decoder) {
  for (size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
    if (at > 0 && !IsXmlSpace(tag[at - 1])) continue;
    size_t i = at + name.size();
    while (i < tag.size() && IsXmlSpace(tag[i])) ++i;
    if (i == tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && IsXmlSpace(tag[i])) ++i;
    if (i == tag.size() || (tag[i] != '"' && tag[i] != '\'')) continue;
    const size_t close = tag.find(tag[i], i + 1);
    if (close == std::string_view::npos) return {};
    std::string value;
    decoder.Decode(tag.substr(i + 1, close - i - 1), value);
    return value;
  }
  return {};
}

}  // namespace trelvo
