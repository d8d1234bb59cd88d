#pragma once
// The bytes the program holds on the heap, counted by the bench binary's
// own operator new and delete (the block sizes malloc gives out), so that a
// benchmark can report what a parsed file or a loaded list keeps.
#include <cstddef>

namespace tikr::bench {

std::size_t LiveHeapBytes();
// Starts counting the most held from now on; returns what is held now.
std::size_t StartPeakHeapBytes();
// The most held since StartPeakHeapBytes.
std::size_t PeakHeapBytes();

}  // namespace tikr::bench
