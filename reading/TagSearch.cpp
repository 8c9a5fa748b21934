#include "reading/TagSearch.h"

#include <algorithm>

#include "reading/TextScan.h"

namespace trelvo {
namespace {

// Whether the name that starts at `at` is the element name of a tag: "<name", "<prefix:name",
// or for a closing tag "</name", "</prefix:name".
bool IsTagName(std::string_view text, size_t at, bool closing) {
  size_t open = at;
  if (open > 0 && text[open - 1] == ':') {
    size_t prefix = open - 1;
    while (prefix > 0 && HasClass(text[prefix - 1], kNameChar)) --prefix;
    if (prefix == open - 1) return false;  // an empty prefix
    open = prefix;
  }
  if (closing) {
    if (open < 1 || text[open - 1] != '/') return false;
    --open;
  }
  return open > 0 && text[open - 1] == '<';
}

}  // namespace

TTagMatch FindTag(std::string_view text, std::span<const std::string_view> names) {
  TTagMatch match;
  // The names are searched for one after the other, first near the start, then further on:
  // searching the whole text for the first name when only the second is there (a file of GPS
  // tracks, searched for LineString then Track) would pass over all of it for every entity.
  // The earliest match in a part is the earliest in the text: no tag starts inside a name.
  for (size_t part_size = names.size() > 1 ? 256 : text.size();; part_size *= 16) {
    const std::string_view part = text.substr(0, std::min(part_size, text.size()));
    size_t best = std::string_view::npos;
    for (size_t i = 0; i < names.size(); ++i) {
      // No other tag opens before the best one so far (the few bytes between two tags, as a
      // geometry's closing tag is looked for before its coordinates): no further name can win.
      if (best != std::string_view::npos && part.find('<') == part.rfind('<', best)) break;
      const bool closing = names[i].starts_with('/');
      const std::string_view name = names[i].substr(closing ? 1 : 0);
      // Only a match before the best one so far counts: search no further.
      const std::string_view scope =
          best == std::string_view::npos ? part : part.substr(0, best + name.size());
      for (size_t at = FindName(scope, name, 0); at < best; at = FindName(scope, name, at + 1)) {
        const size_t end = at + name.size();
        if (end >= text.size()) break;  // the text may end inside this name: kept below
        const char after = text[end];
        if ((after == '>' || after == '/' || HasClass(after, kSpace)) &&
            IsTagName(text, at, closing)) {
          best = at;
          match = {true, i, end, 0};
          break;
        }
      }
    }
    if (match.found || part.size() == text.size()) break;
  }
  if (match.found) return match;
  // A tag cut by the end of the text may still become a match: keep its start.
  const size_t last_open = text.rfind('<');
  match.keep = last_open != std::string_view::npos && text.size() - last_open <= kMaxTagTail
                   ? last_open
                   : text.size();
  return match;
}

}  // namespace trelvo
