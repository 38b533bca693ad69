// The info window: the program's built-in help text, unpacked from its packed form each time
// the window opens; modal in effect while it is open.
#pragma once
#include <windows.h>

#include <cstddef>
#include <span>

namespace vardune {

// The help text, packed with zlib (RFC 1950) at build time from ui/help/info.txt: Windows-1252
// bytes with CR LF line ends and no terminating zero.
extern const unsigned char InfoText[];
extern const std::size_t InfoTextLength;

// The packed block that _Info unpacks: InfoText. Tests point it at other bytes.
extern std::span<const unsigned char> GInfoPacked;

// Window 56 with "OK" (57) and the empty read-only text control (58); 0 when it cannot be
// opened.
HWND Window_FormInfo();

// Shows the help text and returns when the user has closed the window; events of other
// windows meanwhile are dropped.
void _Info();

}  // namespace vardune
