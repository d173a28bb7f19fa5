#pragma once

// Whether a plug-in's parameter descriptor is read to its end by the store's parser. Parsing
// stops at an entry that does not begin with a type letter (a space, a second comma in a row,
// a lower-case letter), silently dropping everything after it; such a descriptor is refused,
// since the plug-in's later parameters would never be stored. An empty descriptor (no
// parameters), a trailing comma and an entry of a letter alone are accepted.
bool DescriptorIsWellFormed(const wchar_t* descriptor);
