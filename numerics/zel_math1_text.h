// Number text: scanning numbers at a moving position and writing them in
// the library's notations.
#pragma once

#include "zel_math1_scalar.h"

namespace zel {

}  // namespace zel
