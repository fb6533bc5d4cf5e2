// Statistics unit: special functions and probability distributions, on
// which the hypothesis tests and classifier evaluation build.
#pragma once

#include "zel_base.h"

namespace zel {

/// Error raised by the statistics routines.
ZEL_DECLARE_EXCEPTION(EZELStatisError, EZELError)

}  // namespace zel

#include "zel_statis_distrib.h"
