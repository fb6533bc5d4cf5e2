// Version of the library.
#pragma once

namespace zel {

/// Version of the library, "major.minor.patch".
const char* ZelVersion() noexcept;

}  // namespace zel
