#include <objbase.h>

#include "platform/apartment.h"

namespace platform {

// A thread that is already in an apartment keeps it; only a successful join is undone.
Apartment::Apartment() : joined_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}

Apartment::~Apartment() {
  if (joined_) CoUninitialize();
}

}  // namespace platform
