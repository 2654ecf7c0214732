// Where the changes of a drawing go when the session is ended from outside, or its terminal
// is gone (its input ended three times in a row, the answers of Yes not saving): a copy of the
// drawing (AcDbDatabase::saveCopy) at the first free recovery name (qv::recoveryName) beside
// it, else in the home folder.
#pragma once

#include <optional>
#include <string>

class AcDbDatabase;

// The recovery file written for the drawing at path drawing; none, with error saying why,
// when none could be.
std::optional<std::string> writeRecoveryFile(AcDbDatabase& db, const std::string& drawing, std::string& error);

// Writes every open drawing with unsaved changes to its recovery file, each named on standard
// error with why the session ends ("hung up (SIGHUP): the changes to "plan.dxf" are in
// "plan.dxf.save"", or why they are not saved).
void keepChangesInRecoveryFiles(const std::string& why);
