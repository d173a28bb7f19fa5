#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Text written into the XML of the format plug-ins. Platform-neutral (UTF-16 as char16_t).
//
// Whatever the text holds, what these append is well-formed XML 1.0 content: the markup
// characters become references, and a code unit that XML 1.0 does not allow (a C0 control other
// than tab, CR and LF; a surrogate without its partner; U+FFFE, U+FFFF) becomes U+FFFD, so that
// a reader sees where something was lost. Characters a parser would normalise away are written
// as references, so that they come back as they were: CR in text, and tab, CR and LF in an
// attribute value.

// Character data: "&", "<" and ">" escaped. Throws std::bad_alloc.
void AppendXmlText(std::u16string& out, std::u16string_view text);
// An attribute value written between double quotes: as text, and '"' escaped too.
void AppendXmlAttribute(std::u16string& out, std::u16string_view text);
// Text that is HTML inside the XML: the HTML is escaped first, so that a reader who unescapes
// the XML and then reads HTML sees the text itself.
void AppendHtmlAsXmlText(std::u16string& out, std::u16string_view text);

// The value in decimal (ASCII digits, "-" before a negative one).
void AppendDecimal(std::u16string& out, std::int64_t value);
