#include "zel_numerics.h"

#include "zel_version.h"

namespace zel {

const char* ZelNumVersion() noexcept { return ZelVersion(); }

}  // namespace zel
