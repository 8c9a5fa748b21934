// Reading a source on a thread of its own, ahead of the reader.
#pragma once

#include <memory>

#include "reading/ByteSource.h"

namespace trelvo {

// `source` run on a thread of its own, a few blocks ahead of the reader, so that reading the
// file (copying it out of the system's cache, or inflating it) overlaps with reading the KML.
// Bytes, errors, document starts and their order are those of the source. Never for a pipe
// or a terminal, whose reads may wait for ever: the thread could then never be joined.
std::unique_ptr<TByteSource> ReadAhead(std::unique_ptr<TByteSource> source);

}  // namespace trelvo
