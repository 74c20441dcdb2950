// Texts that plug-ins hand out are Latin-1 bytes (a degree sign is 0xB0); the terminal
// wants UTF-8.
#pragma once

#include <string>
#include <string_view>

// Latin-1 converted to UTF-8. Control characters, including the C1 range 0x80-0x9F,
// become '?' so that a plug-in's text cannot drive the terminal.
std::string latin1ToUtf8(std::string_view latin1);

// The text without spaces at either end (plug-ins pad names to a fixed width).
std::string_view trimmed(std::string_view text);
