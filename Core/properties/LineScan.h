// Word-at-a-time scanning of data-file lines: the common prefix of two
// lines and the plain decimal numbers in them.
//
// Both routines may read up to 32 bytes past the end of the text they are
// given (never using them); callers pass lines whose memory extends that
// far, as LineReader's lines do.
#pragma once

#include <cstddef>

namespace rc::core {

// The length of the longest common prefix of the `n` bytes at a and at b.
std::size_t commonPrefix(const char* a, const char* b, std::size_t n);

// Reads a plain decimal ([sign] digits [. digits] [e [sign] digits]) at p,
// stopping at the first byte that cannot continue it or at `end`. Answers
// where it stopped, with the value in `out`, when the number is read
// exactly as the general leading-number reading would read it (at most 19
// digits that fit a double exactly, a power of ten within 22); nullptr
// otherwise, for the general reading to take over.
const char* readPlainDecimal(const char* p, const char* end, double& out);

}  // namespace rc::core
