#pragma once
// Code page 932 (Shift-JIS with the NEC and IBM extensions), the encoding of every story text.

#include <string>
#include <string_view>

// Bytes that do not decode become U+FFFD, one for each byte skipped.
std::string cp932ToUtf8(std::string_view cp932);

// As cp932ToUtf8, but a byte that does not decode is written as the four characters "\xNN",
// so that logs and boxes show exactly which byte it was.
std::string cp932ToUtf8Escaped(std::string_view cp932);

// Appends a byte as the four characters "\xNN".
void appendEscapedByte(std::string& text, unsigned char byte);

// Text that should be UTF-8 made sure to be: a byte outside a well-formed sequence becomes the
// four characters "\xNN".
std::string validUtf8Escaped(std::string_view text);

// UTF-8 text made safe for a terminal or a log: control bytes become "\n", "\r" or "\xNN".
std::string printableText(std::string_view utf8);

// Host bytes (file names, libraries' messages) made safe to print: what is not UTF-8 is
// escaped as "\xNN", as are control bytes. A story copied from Windows can keep code page 932
// names on disk.
std::string printableHostText(std::string_view text);

// Story bytes made safe to show: decoded as by cp932ToUtf8Escaped, then as printableText.
std::string printableStoryText(std::string_view cp932);

// Characters without a code page 932 form become "?".
std::string utf8ToCp932(std::string_view utf8);
