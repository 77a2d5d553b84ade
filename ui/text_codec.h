#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

// Frames and replies are 8-bit text, one byte per character (Latin-1 both ways).

// A control's text as bytes: each character whose code fits in 8 bits becomes that
// byte; any other character goes out as "?".
std::string ToBytes(const QString& text);

// Received bytes as text: byte 0x00-0xFF becomes the character with that code.
QString FromBytes(std::string_view bytes);

// A control's text converted by the system's integer conversion; a failure raises the
// error "'<text>' is not a valid integer value" naming the text as the user sees it.
int32_t TextToInt(const QString& text);
