// `tpsutil demo DIR [--subjects N] [--pupils M]`: fills DIR with the
// program's two tables, "QVMaterias.TPS" and "QVLIBJAR.TPS", holding
// invented data of a school's kindergarten level, written through the
// engine's entry point as the school-administration system would. Prints
// each teacher's DNI and birth date, which sign her in.
#pragma once

#include <string>
#include <vector>

#include "commands.h"

namespace tpsutil {

inline constexpr int kDemoDefaultSubjects = 8;
inline constexpr int kDemoDefaultPupils = 12;  // per subject
// A table could not be created or written.
inline constexpr int kExitDemoFailed = 74;

int demo_command(const std::vector<std::string>& args, Output io);

}  // namespace tpsutil
