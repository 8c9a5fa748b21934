// The input file, recognised by its bytes: the first stage of reading.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "reading/ByteSource.h"

namespace trelvo {

// The input file as the reader needs it: a plain KML file, a KMZ (zip) archive whose .kml
// entries are read one after the other (also behind a stub, as in a self-extracting archive),
// or gzip- or zlib-compressed text, recognised again once inflated (a KMZ, or gzip of gzip),
// told apart by their bytes, not by their names. Throws TIoError naming the file and the cause.
// `stages` wraps the bytes in the stages that follow (the text's): they run on the read-ahead
// thread with the reading of a plain file, so the reading thread spends its time on the KML;
// a thread that inflates an archive has enough to do, and leaves them to the reading thread.
using TSourceStages = std::function<std::unique_ptr<TByteSource>(std::unique_ptr<TByteSource>)>;
std::unique_ptr<TByteSource> OpenInputFile(const std::string& file_name,
                                           const TSourceStages& stages = nullptr);

}  // namespace trelvo
