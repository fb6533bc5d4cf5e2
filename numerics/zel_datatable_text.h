// Pieces that the data table's file formats share (zel_datatable_io.cpp,
// zel_datatable_csv.cpp, zel_datatable_xml.cpp); not part of the table's
// interface.
#pragma once

#include <string>

#include "zel_datatable.h"

namespace zel {

/// Text of a value: with Precision 1..16 that many significant digits
/// (exponent "E" where the plain form would be long), otherwise the shortest
/// text that reads back as the same double; NaN and infinities as "NAN",
/// "INF", "-INF".
std::string DTValueText(double X, int Precision);

/// Stores an identifier in a slot of any column: SetNominalID alone ignores
/// non-empty identifiers of columns that are not nominal or ordinal, yet
/// such columns keep identifiers after a scale change.
void DTStoreNominalID(TDataTable& T, int Col, int Slot, const std::string& ID);

}  // namespace zel
