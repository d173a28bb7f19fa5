#pragma once

// Whether a plug-in's parameter descriptor is read to its end by the store's parser. Parsing
// stops at an entry that does not begin with a type letter (a space, a second comma in a row,
// a lower-case letter), dropping everything after it: the plug-in's later parameters are never
// stored, which discovery logs. An empty descriptor (no parameters), a trailing comma and an
// entry of a letter alone are well formed.
bool DescriptorIsWellFormed(const wchar_t* descriptor);
