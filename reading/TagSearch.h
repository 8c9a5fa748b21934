// Finding a tag in the text: the reader's search, a name at a time.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace trelvo {

// A tag cut by the end of a discarded Window is kept for the next one up to this length, so
// namespace prefixes and long names still match across a chunk boundary.
inline constexpr size_t kMaxTagTail = 256;

// Result of looking for a tag in a text.
struct TTagMatch {
  bool found = false;
  size_t which = 0;  // index of the name found
  size_t end = 0;    // just after the element name, when found
  size_t keep = 0;   // start of a tag the end of the text may have cut, or the text's length
};

// Finds the first tag of one of `names` in `text`: "<name", "<prefix:name" (any namespace
// prefix), or for a name written "/name" the closing tag "</name", "</prefix:name", the name
// followed by '>', '/' or whitespace. Each name is searched for as a whole, so the text between
// tags is passed over sixteen bytes a step.
TTagMatch FindTag(std::string_view text, std::span<const std::string_view> names);

}  // namespace trelvo
