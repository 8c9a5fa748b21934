// The first stage the reader's text passes: markup that hides tags, and how text is spelled.
#pragma once

#include <memory>
#include <string>

#include "reading/ByteSource.h"

namespace trelvo {

// The text of a source as the reader sees it: CR LF becomes LF; a comment becomes whitespace,
// and so does each end of a CDATA section, whose content stays but with no '<' to open a tag;
// outside those, a character reference to a character of coordinates (&#44;) becomes that
// character. So tags are found only in markup, and a comment counts as whitespace wherever it
// stands. A further document of the source (the next entry of a KMZ) starts outside any
// comment or CDATA section the one before left open. Read returns 0 at the end only, and
// needs room for more than the few bytes held back at a block's end.
class TMarkupFilter : public TSourceStage {
 public:
  using TSourceStage::TSourceStage;

  size_t Read(char* buffer, size_t capacity) override;

  // Keeps the text of CDATA sections for reading it (names, descriptions): their '<' and '&'
  // become kCdataLess and kCdataAmpersand, and their ends nothing, instead of whitespace.
  void KeepCdataText() { m_keep_cdata = true; }

 private:
  // Where the text streaming in stands.
  enum class TMarkup {
    kText,     // markup and character data
    kComment,  // inside <!-- -->
    kCdata,    // inside <![CDATA[ ]]>
  };

  size_t Filter(char* data, size_t size, bool at_end);

  TMarkup m_markup = TMarkup::kText;
  std::string m_carry;  // the end of the last block, held back until the next one tells
  bool m_keep_cdata = false;
};

}  // namespace trelvo
