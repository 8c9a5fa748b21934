// The text of names, descriptions and data values, as UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace trelvo {

// What the markup filter leaves of a CDATA section's '<' and '&' when it keeps the section's
// text (the bytes XML forbids in a document, so none is the file's own).
inline constexpr char kCdataLess = '\x01';
inline constexpr char kCdataAmpersand = '\x02';

// Decodes element text in the document's encoding into UTF-8: entity and character references
// ("&amp;", "&#233;", "&#x2D;") are resolved, CDATA text (with its kCdata bytes) is taken as
// it stands, whitespace around the text is dropped. A byte that is not valid in the encoding
// becomes U+FFFD and is counted.
class TTextDecoder {
 public:
  // Sets the encoding from an XML declaration's name (any case): UTF-8, windows-1252,
  // ISO-8859-1, ISO-8859-15 or US-ASCII. False for any other name, which leaves UTF-8.
  bool SetEncoding(std::string_view name);

  // The encoding's name as the declaration gives it, for messages.
  const std::string& EncodingName() const { return m_name; }

  // Appends the decoded `text` to `out`.
  void Decode(std::string_view text, std::string& out);

  // The bytes that became U+FFFD so far.
  int64_t Replaced() const { return m_replaced; }

 private:
  enum class TEncoding : uint8_t { kUtf8, kWindows1252, kLatin1, kLatin9, kAscii };

  void AppendBytes(std::string_view bytes, std::string& out);
  void AppendUtf8(std::string_view bytes, std::string& out);

  TEncoding m_encoding = TEncoding::kUtf8;
  std::string m_name = "UTF-8";
  int64_t m_replaced = 0;
};

// The value of attribute `name` in the text of a tag after its element name (` name="x"`),
// decoded; empty when it has none.
std::string AttributeValue(std::string_view tag, std::string_view name, TTextDecoder& decoder);

}  // namespace trelvo
