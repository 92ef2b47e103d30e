// `tpsutil demo` writes both tables through the entry point: files the
// structure check passes, teachers who can sign in with what it prints, and
// pupils with their paragraphs.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <cstdio>
#include <sstream>

#include "dictionary/qvrudbc0_tables.h"
#include "platform/files/file_table.h"
#include "platform/text/code_pages.h"
#include "tests/support/support.h"
#include "tools/tpsutil/commands.h"
#include "tools/tpsutil/demo_command.h"

namespace {

namespace qvl = dictionary::qvl;
namespace qvm = dictionary::qvm;

tps::TableDeclaration in_directory(tps::TableDeclaration declaration, const std::string& directory) {
  declaration.file_name = directory + "/" + declaration.file_name;
  return declaration;
}

TEST(TpsutilDemo, WritesTablesATeacherCanSignInTo) {
  testing_support::TempDir dir;
  std::ostringstream out, err;
  ASSERT_EQ(tpsutil::run({"demo", dir.path()}, {out, err}), tpsutil::kExitOk) << err.str();

  for (const char* name : {"QVMaterias.TPS", "QVLIBJAR.TPS"}) {
    std::ostringstream check_out, check_err;
    EXPECT_EQ(tpsutil::run({"check", dir.file(name)}, {check_out, check_err}), tpsutil::kExitOk)
        << check_out.str() << check_err.str();
  }

  // Every printed DNI finds its subject, and its birth date is the one printed.
  platform::FileTable subjects(in_directory(dictionary::qvmaterias_declaration(), dir.path()));
  ASSERT_EQ(subjects.Share(), 0);
  EXPECT_EQ(subjects.Records(), uint32_t(tpsutil::kDemoDefaultSubjects));
  std::istringstream printed(out.str());
  int teachers = 0;
  for (std::string line; std::getline(printed, line);) {
    int dni = 0, day = 0, month = 0, year = 0;
    if (std::sscanf(line.c_str(), " DNI %d clave %d/%d/%d", &dni, &day, &month, &year) != 4) continue;
    ++teachers;
    subjects.Clear();
    subjects.set_long(qvm::kDniDocente, dni);
    ASSERT_EQ(subjects.Get(qvm::kClaveDniProfesor), 0) << line;
    EXPECT_EQ(subjects.get_date(qvm::kQvpFechanac), (platform::Date{uint8_t(day), uint8_t(month), uint16_t(year)}))
        << line;
    EXPECT_EQ(subjects.get_string(qvm::kCiclo), "Nivel Inicial");
  }
  EXPECT_GE(teachers, 3);

  // One subject has no teacher yet; one subject is taught by several.
  std::map<std::string, std::set<int32_t>> teachers_of;
  ASSERT_EQ(subjects.SetFile(), 0);
  while (subjects.Next() == 0) teachers_of[subjects.get_string(qvm::kMateria)].insert(subjects.get_long(qvm::kDniDocente));
  EXPECT_TRUE(std::any_of(teachers_of.begin(), teachers_of.end(), [](auto& s) { return s.second.count(0) > 0; }));
  EXPECT_TRUE(std::any_of(teachers_of.begin(), teachers_of.end(), [](auto& s) { return s.second.size() > 1; }));

  // Pupils: every subject's list, accented names, paragraphs short and long.
  platform::FileTable pupils(in_directory(dictionary::qvlibjar_declaration(), dir.path()));
  ASSERT_EQ(pupils.Share(), 0);
  EXPECT_EQ(pupils.Records(), uint32_t(tpsutil::kDemoDefaultSubjects * tpsutil::kDemoDefaultPupils));
  size_t shortest = SIZE_MAX, longest = 0;
  bool accented = false;
  ASSERT_EQ(pupils.SetKey(qvl::kClaveCodmateriaAlualfa), 0);
  while (pupils.Next() == 0) {
    const std::string name = text::utf8_from_ansi(pupils.get_string(qvl::kAlumno));
    accented = accented || name.find("\xC3\xB1") != std::string::npos || name.find("\xC3\x8D") != std::string::npos ||
               name.find("\xC3\xA9") != std::string::npos;
    for (size_t memo : {size_t(qvl::kParrafo1A), size_t(qvl::kParrafo1B)}) {
      const size_t length = pupils.get_memo(memo).size();
      shortest = std::min(shortest, length);
      longest = std::max(longest, length);
    }
  }
  EXPECT_TRUE(accented);
  EXPECT_LT(shortest, 50u);
  EXPECT_GT(longest, 3000u);
}

TEST(TpsutilDemo, RefusesBadArguments) {
  std::ostringstream out, err;
  EXPECT_EQ(tpsutil::run({"demo"}, {out, err}), tpsutil::kExitUsage);
  EXPECT_EQ(tpsutil::run({"demo", "/tmp", "--pupils", "muchos"}, {out, err}), tpsutil::kExitUsage);
}

}  // namespace
