// The one boundary between the program's texts (code page 936 bytes) and Qt's
// strings. Every text that goes into or comes out of a widget passes here.
#pragma once

#include <string_view>

#include <QString>

#include "text/text.h"

namespace chaxun {

// Decodes code page 936 bytes. Byte sequences that code page 936 does not
// define become U+FFFD, and so does a lead byte (0x81..0xFE) standing last;
// nothing is dropped. The empty text gives the empty string.
QString gbk_to_qstring(std::string_view gbk);

// Encodes a string to code page 936. Every character that code page 936 cannot
// hold becomes one "?", and so does U+0000, so the result never holds a zero
// byte; nothing else is dropped or cut. The empty string gives the empty text.
Text qstring_to_gbk(const QString& s);

}  // namespace chaxun
