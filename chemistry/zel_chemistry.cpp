#include "zel_chemistry.h"

#include "zel_numerics.h"

namespace zel {

const char* ZelMolVersion() noexcept { return ZelNumVersion(); }

}  // namespace zel
