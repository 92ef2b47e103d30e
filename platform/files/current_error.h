// The current error of the calling thread, as the file statements leave it:
// the engine's error number and its text, the detail the engine posted with
// it, and the file it concerns. Every statement replaces it (a success
// clears it), so it always describes the thread's last statement.
//
// The error manager reads it to fill %ErrorText, %ErrorCode, %Error,
// %FileError and %FileErrorCode.
#pragma once

#include <string>

namespace platform {

struct FileErrorState {
  int code = 0;                 // engine error number; 0 after a success
  std::string text;             // its message ("Record Not Found")
  std::string file_error;       // the engine's detail message ("Possible data corruption in file")
  std::string file_error_code;  // the engine's detail code ("1477", "KEY : 2 : SIZE : D00101")
  std::string file;             // the name of the table the error concerns
};

// The calling thread's current error.
const FileErrorState& current_file_error();

int ErrorCode();
std::string Error();
std::string FileError();
std::string FileErrorCode();
std::string ErrorFile();
// The detail code as a number when it is one (a fault code), else 0: the
// number the error manager shows for 90.
int FileErrorNumber();

// Replaces the current error (used by the statements).
void set_current_file_error(FileErrorState state);
void clear_current_file_error();

}  // namespace platform
