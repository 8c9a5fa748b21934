// The input file, recognised by its bytes: the first stage of reading.
#pragma once

#include <memory>
#include <string>

#include "reading/ByteSource.h"

namespace trelvo {

// The input file as the reader needs it: a plain KML file, a KMZ (zip) archive whose .kml
// entries are read one after the other (also behind a stub, as in a self-extracting archive),
// or gzip- or zlib-compressed text, recognised again once inflated (a KMZ, or gzip of gzip),
// told apart by their bytes, not by their names. Throws TIoError naming the file and the cause.
std::unique_ptr<TByteSource> OpenInputFile(const std::string& file_name);

}  // namespace trelvo
