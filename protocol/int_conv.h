// The tool's one conversion of text to a whole number.
//
// Used for the timing fields, the board serial number and tester, the baud text of the port
// panel, the digit fields of the system read-back and the code count of a slot command reply.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// Raised when a text is not a valid integer value. what() is
// "'<text>' is not a valid integer value" (no full stop; the error box appends one).
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(std::string text);
    // The offending text, byte for byte.
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// Converts `text` (8-bit bytes) to a signed 32-bit integer, or throws EConvertError.
//
// Accepted form, and nothing else:
//   blanks   any number of leading spaces (' ' only; a tab, NUL or other control
//            character is not a blank and makes the text invalid);
//   sign     an optional '+' or '-';
//   number   either one or more decimal digits '0'..'9',
//            or a hexadecimal prefix '$', 'x' or 'X' followed by one or more hexadecimal
//            digits '0'..'9', 'a'..'f', 'A'..'F'.
// "0x" is not a prefix: in "0x10" the decimal number ends at the 'x', so the text fails.
// The signed value (sign applied to the number, decimal or hexadecimal alike) must lie in
// -2147483648 .. 2147483647; "$FFFFFFFF" therefore fails while "-$80000000" is accepted.
// Any other character anywhere (a trailing blank, a second sign, a blank between sign and
// number) fails, and so do an empty text, a lone sign and a lone prefix.
int32_t StrToInt(std::string_view text);

// Same rule without the exception: false when StrToInt would throw.
bool TryStrToInt(std::string_view text, int32_t& value);
