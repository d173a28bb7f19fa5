#pragma once
#include <cstddef>

// Fills the buffer from the system's random number generator; false when it gives none.
bool FillRandom(unsigned char* bytes, size_t count) noexcept;
