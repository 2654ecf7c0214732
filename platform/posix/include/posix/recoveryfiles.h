// Where the changes of a drawing go when its session is ended from outside, and how the next
// session finds them. A drawing's recovery files are named after it with ".save"
// ("plan.dxf.save"), then "plan.dxf.save.1", "plan.dxf.save.2" and on, never over an existing
// file; beside the drawing, or in the home folder when the drawing's folder cannot take them.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// The numbered names past which a folder takes no more recovery files of one drawing.
constexpr int kMaxRecoveryNumber = 999;

// The recovery file of number (0 for the first) for the drawing at base.
std::string recoveryName(const std::string& base, int number);

// Where the recovery files of drawing go, in the order they are tried: the drawing's own
// path, then the same name in the home folder (unless that is the drawing's folder).
std::vector<std::string> recoveryBases(const std::string& drawing);

struct RecoveryFile
{
    std::string path;
    std::timespec written{};   // when it was written
};

// The newest recovery file of drawing written after the drawing last changed; none when the
// drawing has none, or has been saved since.
std::optional<RecoveryFile> newestRecoveryFile(const std::string& drawing);

} // namespace qv
