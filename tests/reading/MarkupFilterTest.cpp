// The markup filter alone: what the reader's text becomes, the same in pieces of every size
// from 1 to 64 bytes (markers, line breaks and references cut between them anywhere).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "reading/MarkupFilter.h"

namespace trelvo {
namespace {

// Documents handed out one after the other, each starting a new one, in pieces.
class TDocuments : public TByteSource {
 public:
  TDocuments(std::vector<std::string> documents, size_t piece)
      : m_documents(std::move(documents)), m_piece(piece) {}

  size_t Read(char* buffer, size_t capacity) override {
    while (m_document < m_documents.size() && m_at == m_documents[m_document].size()) {
      ++m_document;
      m_at = 0;
    }
    if (m_document == m_documents.size()) return 0;
    m_starts = m_at == 0 && m_document > 0;
    const std::string& text = m_documents[m_document];
    const size_t count = std::min({capacity, m_piece, text.size() - m_at});
    text.copy(buffer, count, m_at);
    m_at += count;
    return count;
  }

  uint64_t Consumed() const override { return 0; }

  bool StartsDocument() const override { return m_starts; }

 private:
  std::vector<std::string> m_documents;
  size_t m_piece;
  size_t m_document = 0;
  size_t m_at = 0;
  bool m_starts = false;
};

std::string Filtered(const std::vector<std::string>& documents, size_t piece) {
  TMarkupFilter filter(std::make_unique<TDocuments>(documents, piece));
  std::string text;
  char block[256];
  while (const size_t count = filter.Read(block, sizeof(block))) text.append(block, count);
  return text;
}

TEST(MarkupFilter, GivesTheSameTextInPiecesOfAnySize) {
  const std::string padding(20, 'x');  // markers also past the sixteen-byte steps of the scan

  const struct {
    std::vector<std::string> documents;
    std::string expected;
  } cases[] = {
      {{"a\r\nb\rc\n\r\n"}, "a\nb\rc\n\n"},
      {{padding + "<a><!-- <Point> -->b"}, padding + "<a>  b"},
      {{"<c><![CDATA[1<2]]>3"}, "<c> 1 2 3"},
      {{padding + "<!-- unended"}, padding + " "},
      {{"<![CDATA[ unended <x"}, "  unended  x"},
      {{"<!-x<!x<![CDAT"}, "<!-x<!x<![CDAT"},
      // References to characters of coordinates only; none inside CDATA or comments.
      {{padding + "1&#44;2&#x2D;3&#X2c;4&#10;5&#32;6"}, padding + "1,2-3,4\n5 6"},
      {{"&#60;a> &amp; &#59; &#xZ; &#; &#4444444444; &#44"},
       "&#60;a> &amp; &#59; &#xZ; &#; &#4444444444; &#44"},
      {{"<![CDATA[&#44;]]><!--&#44;-->&#44;"}, " &#44;   ,"},
      // Each document starts outside what the one before left open.
      {{"a<!-- open", "b<![CDATA[ open<", "c\r", "\nd"}, "a b  open c\r\nd"},
  };

  for (const auto& c : cases) {
    for (size_t piece = 1; piece <= 65; ++piece) {
      ASSERT_EQ(Filtered(c.documents, piece == 65 ? SIZE_MAX : piece), c.expected)
          << "pieces of " << piece << ", first document: " << c.documents[0];
    }
  }
}

}  // namespace
}  // namespace trelvo
