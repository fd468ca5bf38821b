#pragma once

#include <QString>

// Text to number and colour, failing loudly the way every option reader expects.
namespace zentari::conv {

// Decimal integer text (optional sign, optional leading blanks, or '$' and hex
// digits); throws ConvertError on anything else or on overflow.
int strToInt(const QString& text);
QString intToStr(int value);

// A colour text as the configuration stores it: a decimal or '$' hexadecimal
// integer with red in the low byte, or one of the classic colour names
// ("clRed", "clBlack", ...). Returns 0x00BBGGRR; throws ConvertError.
unsigned int stringToColor(const QString& text);

} // namespace zentari::conv
