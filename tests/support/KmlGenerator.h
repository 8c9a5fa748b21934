// Random KML-like texts for differential tests and fuzz seeds: real tags, broken tags, tuples,
// comments, every kind of whitespace and long runs that cross the reader's chunk boundaries.
#pragma once

#include <cstdint>
#include <string>

namespace trelvo::test {

std::string RandomKml(uint64_t seed);

}  // namespace trelvo::test
