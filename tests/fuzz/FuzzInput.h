// Shared by the fuzz targets: how one fuzz input drives the reader.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/support/TestSupport.h"

namespace trelvo::fuzz {

constexpr TEntityType kTypes[] = {TEntityType::kPoint, TEntityType::kPath, TEntityType::kPolygon};

// The first byte picks the block size the input arrives in (so block boundaries fall
// anywhere); the rest is the file.
inline size_t PieceSize(const uint8_t* data, size_t size) {
  if (size == 0) return SIZE_MAX;
  static const size_t kPieces[] = {1, 2, 3, 7, 64, 999, 4096, SIZE_MAX};
  return kPieces[data[0] % (sizeof(kPieces) / sizeof(kPieces[0]))];
}

inline std::string Text(const uint8_t* data, size_t size) {
  return size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data) + 1, size - 1);
}

// Every entity found consumes at least one '<' of the input: more calls than that returning
// true would be a reader that never ends.
inline size_t MaxEntities(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '<'));
}

}  // namespace trelvo::fuzz
