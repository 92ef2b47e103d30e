// The program's two tables as the file statements use them. Both are
// declared THREAD: each thread gets its own record buffer, memo buffers and
// file state on first use.
#pragma once

#include "platform/files/file_table.h"

namespace dictionary {

// QVLIBJAR (file "QVLIBJAR.TPS"): pupil progress records.
platform::FileTable& QVLIBJAR();
// QVMATERIAS (file "QVMaterias.TPS"): subjects and their teachers.
platform::FileTable& QVMATERIAS();

}  // namespace dictionary
