#pragma once
#include "core/Errors.h"

namespace mv {

// Every failure of a workbook operation: a damaged or missing file, a sheet or name
// that does not exist, a value the sheet cannot take. The text says what and where.
class SpreadsheetError : public Error {
public:
    using Error::Error;
};

// A problem found inside a package (zip archive, XML part). Opening and saving wrap it
// into a SpreadsheetError that names the workbook file.
class PackageError : public SpreadsheetError {
public:
    using SpreadsheetError::SpreadsheetError;
};

} // namespace mv
