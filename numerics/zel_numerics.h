// The numerics package.
#pragma once

namespace zel {

/// Version of the numerics package, "major.minor.patch".
const char* ZelNumVersion() noexcept;

}  // namespace zel
