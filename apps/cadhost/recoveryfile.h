// Writing a drawing's recovery file: a copy of the drawing (AcDbDatabase::saveCopy) at the
// first free recovery name (qv::recoveryName) beside it, else in the home folder.
#pragma once

#include <optional>
#include <string>

class AcDbDatabase;

// The recovery file written for the drawing at path drawing; none, with error saying why,
// when none could be.
std::optional<std::string> writeRecoveryFile(AcDbDatabase& db, const std::string& drawing, std::string& error);
