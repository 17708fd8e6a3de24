#include "platform/apartment.h"

namespace platform {

Apartment::Apartment() = default;

Apartment::~Apartment() = default;

}  // namespace platform
