// The program's two tables through the file statements: the files another
// program wrote, read and changed as the windows do, and tables created
// anew.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "dictionary/qvrudbc0_files.h"
#include "dictionary/qvrudbc0_tables.h"
#include "platform/files/current_error.h"
#include "platform/text/code_pages.h"
#include "tests/dictionary/expected_records.h"
#include "tests/support/support.h"

namespace {

namespace qvl = dictionary::qvl;
namespace qvm = dictionary::qvm;
using platform::FileTable;
using testing_support::ExpectedRecord;

const std::string kFixtures = std::string(QV_FIXTURES_DIR) + "/two-tables/";
constexpr uint32_t kSharedReadWrite = tps::access_mode::kSharedReadWrite;

// Runs a test in a fresh directory, as the program runs in the school's
// data directory: the tables are opened by bare name.
class InDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  void TearDown() override {
    dictionary::QVLIBJAR().Close();
    dictionary::QVMATERIAS().Close();
    std::filesystem::current_path(previous_);
  }
  void copy_fixtures() {
    for (const char* name : {"QVLIBJAR.TPS", "QVMaterias.TPS"}) {
      std::filesystem::copy_file(kFixtures + name, dir_.file(name));
      std::filesystem::permissions(dir_.file(name), std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add);
    }
  }

  testing_support::TempDir dir_;
  std::filesystem::path previous_;
};

std::string utf8(const std::string& ansi) { return text::utf8_from_ansi(ansi); }

std::string field_value(FileTable& table, size_t field) {
  const tps::FieldDeclaration& f = table.declaration().fields[field];
  switch (f.type) {
    case tps::field_type::kLong:
      return std::to_string(table.get_long(field));
    case tps::field_type::kShort:
      return std::to_string(table.get_short(field));
    case tps::field_type::kString:
      return utf8(table.get_string(field));
    default:
      return {};
  }
}

// Every field of a type this test reads, and every memo, against what the
// other program wrote.
void expect_record(FileTable& table, const ExpectedRecord& want) {
  const tps::TableDeclaration& declaration = table.declaration();
  for (size_t i = 0; i < declaration.fields.size(); ++i) {
    const tps::FieldDeclaration& f = declaration.fields[i];
    if (f.type == tps::field_type::kDate || f.type == tps::field_type::kDecimal) continue;
    EXPECT_EQ(field_value(table, i), want.fields.at(f.label).value_or("")) << want.record << " " << f.label;
  }
  for (size_t m = 0; m < declaration.memos.size(); ++m)
    EXPECT_EQ(utf8(table.get_memo(m)), want.memos.at(declaration.memos[m].label))
        << want.record << " " << declaration.memos[m].label;
}

TEST_F(InDirectory, PupilsOfAnotherProgramScanInTheListOrderAndReadWhole) {
  copy_fixtures();
  const std::vector<ExpectedRecord> expected =
      testing_support::read_expected_records(kFixtures + "expected.json")["QVLIBJAR.TPS"];
  std::map<uint32_t, const ExpectedRecord*> by_record;
  for (const ExpectedRecord& record : expected) by_record[record.record] = &record;

  FileTable& pupils = dictionary::QVLIBJAR();
  ASSERT_EQ(pupils.Share(kSharedReadWrite), 0) << platform::Error();
  EXPECT_EQ(pupils.Records(), expected.size());
  ASSERT_EQ(pupils.SetKey(qvl::kClaveCodmateriaAlualfa), 0);
  std::set<uint32_t> seen;
  int32_t last_subject = INT32_MIN;
  while (pupils.Next() == 0) {
    const uint32_t record = pupils.Pointer();
    ASSERT_TRUE(by_record.count(record)) << record;
    expect_record(pupils, *by_record[record]);
    EXPECT_GE(pupils.get_long(qvl::kCodMateria), last_subject) << "key order";
    last_subject = pupils.get_long(qvl::kCodMateria);
    seen.insert(record);
  }
  EXPECT_EQ(platform::ErrorCode(), tps::error::kRecordNotAvailable);
  EXPECT_EQ(seen.size(), expected.size());
}

TEST_F(InDirectory, SignInLookupFindsTheTeachersSubjectByDni) {
  copy_fixtures();
  const std::vector<ExpectedRecord> expected =
      testing_support::read_expected_records(kFixtures + "expected.json")["QVMaterias.TPS"];
  FileTable& subjects = dictionary::QVMATERIAS();
  ASSERT_EQ(subjects.Share(kSharedReadWrite), 0);
  int found = 0;
  for (const ExpectedRecord& want : expected) {
    const std::string dni = want.fields.at("QVM:DNI_DOCENTE").value_or("0");
    subjects.Clear();
    subjects.set_long(qvm::kDniDocente, std::stoi(dni));
    if (dni == "0") {
      EXPECT_EQ(subjects.Get(qvm::kClaveDniProfesor), tps::error::kRecordNotFound) << "DNI 0 has no entry";
      continue;
    }
    ASSERT_EQ(subjects.Get(qvm::kClaveDniProfesor), 0) << dni;
    EXPECT_EQ(std::to_string(subjects.get_long(qvm::kDniDocente)), dni);
    ++found;
  }
  EXPECT_GT(found, 0);
}

// A form changes one paragraph of a pupil read under WATCH, framed in a
// transaction: everything else, carried fields and memos included, stays.
TEST_F(InDirectory, ChangingOneParagraphKeepsEveryOtherFieldAndMemo) {
  copy_fixtures();
  std::map<uint32_t, ExpectedRecord> expected;
  auto files = testing_support::read_expected_records(kFixtures + "expected.json");
  for (const ExpectedRecord& record : files["QVLIBJAR.TPS"]) expected[record.record] = record;
  const uint32_t record = expected.begin()->first;

  FileTable& pupils = dictionary::QVLIBJAR();
  ASSERT_EQ(pupils.Share(kSharedReadWrite), 0);
  ASSERT_EQ(pupils.Watch(), 0);
  ASSERT_EQ(pupils.GetPtr(record), 0);
  const std::string paragraph = "Reconoce los colores y los n\xFAmeros hasta el diez. Comparte con sus compa\xF1" "eros.";
  pupils.set_memo(qvl::kParrafo1A, paragraph);
  ASSERT_EQ(platform::Logout(2, {&pupils}), 0);
  ASSERT_EQ(pupils.Put(), 0);
  ASSERT_EQ(platform::Commit(), 0);
  ASSERT_EQ(pupils.Close(), 0);

  ASSERT_EQ(pupils.Share(kSharedReadWrite), 0);
  ASSERT_EQ(pupils.GetPtr(record), 0);
  expected[record].memos["QVL:PARRAFO1A"] = utf8(paragraph);
  expect_record(pupils, expected[record]);
  EXPECT_EQ(pupils.Records(), expected.size());
}

TEST_F(InDirectory, BothTablesAreCreatedEmptyAndReopen) {
  for (FileTable* table : {&dictionary::QVMATERIAS(), &dictionary::QVLIBJAR()}) {
    EXPECT_EQ(table->Share(kSharedReadWrite), tps::error::kFileNotFound);
    ASSERT_EQ(table->Create(), 0);
    ASSERT_EQ(table->Share(kSharedReadWrite), 0);
    EXPECT_EQ(table->Records(), 0u);
    ASSERT_EQ(table->Close(), 0);
  }
  EXPECT_TRUE(std::filesystem::exists(dir_.file("QVMaterias.TPS")));
  EXPECT_TRUE(std::filesystem::exists(dir_.file("QVLIBJAR.TPS")));

  FileTable& subjects = dictionary::QVMATERIAS();
  ASSERT_EQ(subjects.Share(kSharedReadWrite), 0);
  subjects.Clear();
  subjects.set_long(qvm::kNroRegistro, 1);
  subjects.set_string(qvm::kMateria, "Sala de 5 a\xF1os - Ingl\xE9s");
  subjects.set_string(qvm::kCiclo, "Nivel Inicial");
  subjects.set_decimal(qvm::kHoras, 250);
  subjects.set_long(qvm::kDniDocente, 28456123);
  subjects.set_date(qvm::kQvpFechanac, platform::Date{14, 3, 1981});
  subjects.set_memo(qvm::kObjetivo, "Objetivos del a\xF1o.");
  ASSERT_EQ(subjects.Add(), 0);
  ASSERT_EQ(subjects.Close(), 0);

  ASSERT_EQ(subjects.Share(kSharedReadWrite), 0);
  subjects.Clear();
  subjects.set_long(qvm::kDniDocente, 28456123);
  ASSERT_EQ(subjects.Get(qvm::kClaveDniProfesor), 0);
  EXPECT_EQ(subjects.get_string(qvm::kMateria), "Sala de 5 a\xF1os - Ingl\xE9s");
  EXPECT_EQ(subjects.get_decimal(qvm::kHoras), 250);
  EXPECT_EQ(subjects.get_date(qvm::kQvpFechanac), (platform::Date{14, 3, 1981}));
  EXPECT_EQ(subjects.get_memo(qvm::kObjetivo), "Objetivos del a\xF1o.");
}

}  // namespace
