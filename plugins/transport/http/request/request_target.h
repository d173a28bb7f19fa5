#pragma once
#include <string>

// The target of an upload's request line, from the URL path as cracked (which carries the query
// and the fragment). The fragment is dropped: it belongs to the client and is never sent. With
// PUT the file name becomes one more path segment, inserted before the query: a "/" when the
// path does not already end in one (an empty path gives "/"), then the name encoded as one
// segment. With POST the path stays as it is. Whatever may not stand raw in a request line is
// encoded, so no expanded text can end the line or add a header.
std::u16string RequestTarget(const std::u16string& urlPath, const std::u16string& fileName,
                             bool put);
