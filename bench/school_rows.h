// The rows of the school benchmark: invented subjects and pupil records
// (the demo generator's), written the same way into this engine's tables
// and into SQLite's, whose schema mirrors the two tables' fields and keys.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files/file_table.h"
#include "tools/tpsutil/demo_data.h"

namespace school {

struct SubjectRow {
  tpsutil::demo::Subject subject;
  int16_t order;
  int32_t number;
  int32_t dni;
  std::string objectives;
};

struct PupilRow {
  int32_t number;
  int32_t file_number;
  int16_t order;
  std::string sex, name;
  int32_t subject;
  std::string subject_name;
  int32_t course_code;
  std::string remark;
  std::string objectives, paragraph_a, paragraph_b;
};

struct Data {
  std::vector<SubjectRow> subjects;
  std::vector<PupilRow> pupils;  // numbered 1.. in this order
};

// `subjects` subjects with `per_subject` pupils each; the same arguments
// always give the same rows.
Data make_data(int subjects, int per_subject);

// The record buffers filled from a row (after CLEAR).
void fill_subject(platform::FileTable& t, const SubjectRow& row);
void fill_pupil(platform::FileTable& t, const PupilRow& row);

// SQLite's tables "materias" (28 columns) and "libjar" (21 columns, the
// memos last) with one index per key of the two tables.
extern const std::vector<const char*> kSqliteSchema;
void bind_subject(sqlite3_stmt* insert, const SubjectRow& row);
void bind_pupil(sqlite3_stmt* insert, const PupilRow& row);

}  // namespace school
