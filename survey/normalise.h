#pragma once

#include "common/text.h"

namespace survey {

// A person's name reduced to upper-case Cyrillic words separated by single spaces: the text is
// upper-cased and trimmed, every character that is not a Cyrillic capital (Ё, А to Я) or a space is
// dropped, and a space is kept only between the first and the last capital, once per run of spaces.
// Positions are counted in a set that holds only 0 to 255, so in texts of 256 characters or more
// later spaces are dropped and the bounds wrap (a 299-character text keeps spaces up to position 42).
// Never throws.
common::Text CleanFIO(common::TextView text);

// The first number of a telephone field: the trimmed text up to its first ",", or, when it has no
// comma, up to its first space; the part is not trimmed again. Never throws.
common::Text CleanPhone(common::TextView text);

}  // namespace survey
