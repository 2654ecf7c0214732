// DATE values (days since 30 December 1899, the time of day as the fraction) to and from the
// ODBC timestamp structure, to the millisecond.
#pragma once

#include "odbcapi.h"


namespace ADODB {

// Raises _com_error(E_INVALIDARG) for a value that is not a finite date of the years 1 to 9999.
SQL_TIMESTAMP_STRUCT timestampFromDate(double date);
double dateFromTimestamp(const SQL_TIMESTAMP_STRUCT& timestamp);

} // namespace ADODB
