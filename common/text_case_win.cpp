#include <windows.h>

#include <algorithm>
#include <climits>

#include "common/text.h"

namespace common {

namespace {

// CharUpperBuffW/CharLowerBuffW map in place, one code unit for one, so the length never changes.
template <typename Map>
Text MapInPlace(TextView text, Map map) {
  Text result(text);
  size_t done = 0;
  while (done < result.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(result.size() - done, INT_MAX));
    map(reinterpret_cast<LPWSTR>(result.data() + done), chunk);
    done += chunk;
  }
  return result;
}

}  // namespace

Text UpperCase(TextView text) { return MapInPlace(text, CharUpperBuffW); }

Text LowerCase(TextView text) { return MapInPlace(text, CharLowerBuffW); }

}  // namespace common
