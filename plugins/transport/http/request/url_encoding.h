#pragma once
#include <string>

// Percent-encoding of what a user's text puts into a request (RFC 3986): each byte of the
// character's UTF-8 as "%" and two upper-case hexadecimal digits.

// A file name as exactly one path segment: every character but the unreserved ones (letters,
// digits, "-", ".", "_", "~") is encoded, so "/", "?", "#", "%", spaces and line breaks can
// neither end the segment nor the request line. A name of one or two dots, which a server would
// take as a step in the path, has its dots encoded too.
std::u16string EncodePathSegment(const std::u16string& name);

// A request target with what may not stand raw in a request line encoded: controls, space, DEL
// and every character above U+007E. Everything else, escapes already in it included, is kept.
std::u16string EncodeUnsafeTargetCharacters(const std::u16string& target);

// The value of a form field kept on its own line: controls and DEL are encoded, everything else
// is kept as it is.
std::u16string EncodeFormValue(const std::u16string& value);
