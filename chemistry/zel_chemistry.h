// The chemistry package.
#pragma once

namespace zel {

/// Version of the chemistry package, "major.minor.patch".
const char* ZelMolVersion() noexcept;

}  // namespace zel
