#pragma once

#include "common/text.h"

namespace survey {

// The person's name reduced to upper-case Cyrillic words separated by single spaces.
common::Text CleanFIO(common::Text text);

// The first telephone number of a telephone field.
common::Text CleanPhone(common::Text text);

}  // namespace survey
