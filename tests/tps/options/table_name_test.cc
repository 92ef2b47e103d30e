#include "tps/options/table_name.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tps/key/locale_block.h"

namespace tps {
namespace {

// Just enough of a file system to answer the name questions: a set of
// directories and a set of files, by exact path.
class NameFileSystem : public os::FileSystem {
 public:
  int open(const std::string&, const os::OpenMode&, std::unique_ptr<os::File>*) override {
    return ENOSYS;
  }
  int remove(const std::string&) override { return ENOSYS; }
  int rename(const std::string&, const std::string&) override { return ENOSYS; }
  bool exists(const std::string& path) override {
    return files.count(path) != 0 || directories.count(path) != 0;
  }
  bool is_directory(const std::string& path) override { return directories.count(path) != 0; }
  std::vector<std::string> list_directory(const std::string& path) override {
    std::string prefix = path == "." ? "" : path;
    std::vector<std::string> names;
    for (const std::set<std::string>* entries : {&files, &directories}) {
      for (const std::string& entry : *entries) {
        if (entry.size() > prefix.size() && entry.compare(0, prefix.size(), prefix) == 0 &&
            entry.find('/', prefix.size()) == std::string::npos) {
          names.push_back(entry.substr(prefix.size()));
        }
      }
    }
    return names;
  }

  std::set<std::string> directories;
  std::set<std::string> files;
};

TEST(TableNameTest, SplitsFileAndTable) {
  NameFileSystem fs;
  fs.directories = {"data", "data/"};
  const struct {
    const char* name;
    const char* file;
    const char* table;
  } cases[] = {
      {"QVLIBJAR", "QVLIBJAR.TPS", "UNNAMED"},
      {"QVLIBJAR.dat", "QVLIBJAR.dat", "UNNAMED"},
      {"school\\!pupils", "school.TPS", "PUPILS"},
      {"school.tps\\!Notas 2022", "school.tps", "NOTAS 2022"},
      {"school\\!", "school.TPS", ""},  // empty table part: a table with an empty name
      {"v1.2/school\\!x", "v1.2/school.TPS", "X"},
      {"nodir\\!arch\\!t", "nodir.TPS", "ARCH\\!T"},
      // "\!" after an existing directory is a path entry beginning with "!".
      {"data\\!arch", "data/!arch.TPS", "UNNAMED"},
      {"data/\\!arch\\!t", "data/!arch.TPS", "T"},
      {"\\!t", "", "T"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(split_table_name(c.name, fs), (TableName{c.file, c.table})) << c.name;
  }
}

TEST(TableNameTest, SkipsEveryLeadingDirectory) {
  NameFileSystem fs;
  fs.directories = {"data", "data/!old"};
  EXPECT_EQ(split_table_name("data\\!old\\!school\\!t", fs),
            (TableName{"data/!old/!school.TPS", "T"}));
}

TEST(TableNameTest, OpenNameOmitsUnnamed) {
  EXPECT_EQ(open_table_name({"school.TPS", "UNNAMED"}), "school.TPS");
  EXPECT_EQ(open_table_name({"school.TPS", "PUPILS"}), "school.TPS\\!PUPILS");
  EXPECT_EQ(open_table_name({"school.TPS", ""}), "school.TPS\\!");
}

TEST(TableNameTest, TablePartFollowsTheProcessCaseTables) {
  EXPECT_EQ(upper_case_table_name("Notas_2022-b\xF1"), "NOTAS_2022-B\xF1");
  const LocaleBlock saved = process_locale();
  LocaleBlock spanish = saved;
  LocaleBlock::Bytes& bytes = spanish.mutable_bytes();
  bytes[LocaleBlock::kCasePartner + 0xF1] = 0xD1;
  bytes[LocaleBlock::kCasePartner + 0xD1] = 0xF1;
  bytes[LocaleBlock::kClasses + 0xF1] = char_class::kLower;
  bytes[LocaleBlock::kClasses + 0xD1] = char_class::kUpper;
  set_process_locale(spanish);
  NameFileSystem fs;
  EXPECT_EQ(split_table_name("school\\!a\xF1o", fs).table, "A\xD1O");
  set_process_locale(saved);
}

TEST(ResolveFileCaseTest, FindsTheOneFileDifferingInCase) {
  NameFileSystem fs;
  fs.directories = {"data", "data/qvlibjar.tps.d"};
  fs.files = {"QVMATERIAS.TPS", "QVLIBJAR.TPS", "data/QVLIBJAR.TPS",
              "data/a.tps",     "data/A.TPS",   "/abs/Notas.TPS"};
  const struct {
    const char* asked;
    int error;
    const char* found;
  } cases[] = {
      {"QVMaterias.TPS", 0, "QVMATERIAS.TPS"},
      {"QVLIBJAR.TPS", 0, "QVLIBJAR.TPS"},
      {"data/qvlibjar.tps", 0, "data/QVLIBJAR.TPS"},
      {"/abs/NOTAS.tps", 0, "/abs/Notas.TPS"},
      {"data/a.tps", 0, "data/a.tps"},                    // the exact name wins
      {"data/a.Tps", 45, "data/a.Tps"},                   // two candidates, none exact
      {"new.TPS", 0, "new.TPS"},                          // none: as asked, to be created
      {"data/QVLIBJAR.TPS.D", 0, "data/QVLIBJAR.TPS.D"},  // directories are not files
  };
  for (const auto& c : cases) {
    ResolvedFile resolved = resolve_file_case(c.asked, fs);
    EXPECT_EQ(resolved.error, c.error) << c.asked;
    EXPECT_EQ(resolved.path, c.found) << c.asked;
  }
}

}  // namespace
}  // namespace tps
