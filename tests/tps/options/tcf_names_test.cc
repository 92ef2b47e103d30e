#include "tps/options/tcf_names.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tps/errors/fault.h"
#include "tps/errors/fault_codes.h"

namespace tps {
namespace {

TEST(TcfPathTest, DirectoryTcfSitsBesideTheDataFile) {
  EXPECT_EQ(directory_tcf_name("QVLIBJAR.TPS"), "transact.tcf");
  EXPECT_EQ(directory_tcf_name("data/QVLIBJAR.TPS"), "data/transact.tcf");
  EXPECT_EQ(directory_tcf_name("/srv/school/a.tps"), "/srv/school/transact.tcf");
}

TEST(TcfPathTest, FullPathsAndTheirParts) {
  EXPECT_EQ(lexical_full_path("transact.tcf", "/srv/school"), "/srv/school/transact.tcf");
  EXPECT_EQ(lexical_full_path("./data//../x/transact.tcf", "/srv/"), "/srv/x/transact.tcf");
  EXPECT_EQ(lexical_full_path("/a/../../b.tcf", "/ignored"), "/b.tcf");
  EXPECT_EQ(lexical_full_path("", "/srv"), std::nullopt);
  EXPECT_EQ(lexical_full_path("x.tcf", "relative"), std::nullopt);
  EXPECT_EQ(lexical_full_path(std::string(5000, 'a'), "/srv"), std::nullopt);

  EXPECT_EQ(split_full_path("/srv/school/transact.tcf"),
            (PathParts{"/", "srv/school/", "transact", ".tcf"}));
  EXPECT_EQ(split_full_path("/transact"), (PathParts{"/", "", "transact", ""}));
  EXPECT_EQ(split_full_path("/srv/"), std::nullopt);
  EXPECT_EQ(split_full_path("srv/x.tcf"), std::nullopt);
}

TEST(TcfNamesTest, EachDirectoryIsRegisteredOnce) {
  testing_support::TempDir dir;
  ASSERT_EQ(::mkdir(dir.file("a").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(dir.file("b").c_str(), 0755), 0);
  ASSERT_EQ(::symlink(dir.file("a").c_str(), dir.file("link").c_str()), 0);

  TcfNames names;
  names.register_directory_of(dir.file("a/QVLIBJAR.TPS"));
  names.register_directory_of(dir.file("a/QVMaterias.TPS"));
  names.register_directory_of(dir.file("b/../a/./other.tps"));
  names.register_directory_of(dir.file("link/QVLIBJAR.TPS"));
  names.register_directory_of(dir.file("b/QVLIBJAR.TPS"));
  EXPECT_EQ(names.registered(),
            (std::vector<std::string>{dir.file("a/transact.tcf"), dir.file("b/transact.tcf")}));
  names.forget_registered();
  EXPECT_TRUE(names.registered().empty());

  names.set_fixed_name("/srv/school/tx.tcf");
  names.register_directory_of(dir.file("a/QVLIBJAR.TPS"));
  EXPECT_TRUE(names.registered().empty());
}

TEST(TcfNamesTest, AHundredAndFirstDirectoryIsAFault) {
  TcfNames names;
  auto data_file = [](int i) { return "/nonexistent-qv/d" + std::to_string(i) + "/a.tps"; };
  for (int i = 0; i < 100; ++i) names.register_directory_of(data_file(i));
  names.register_directory_of(data_file(7));  // already there: no fault
  try {
    names.register_directory_of(data_file(100));
    FAIL() << "no fault";
  } catch (const EngineFault& fault) {
    EXPECT_EQ(fault.code(), fault::kTooManyTransactionFiles);
  }
  EXPECT_EQ(names.registered().back(), "/nonexistent-qv/d99/transact.tcf");
}

}  // namespace
}  // namespace tps
