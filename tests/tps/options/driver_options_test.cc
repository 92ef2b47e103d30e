#include "tps/options/driver_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tps/options/tcf_names.h"

namespace tps {
namespace {

// A table whose file holds the tables `names`.
class FakeTable : public OptionTable {
 public:
  TableOptions& options() override { return options_; }
  bool is_open() const override { return open; }
  uint32_t flags() override { return mark; }
  void set_flags(uint32_t value) override { mark = value; }
  std::string next_table_name(const std::string& after) override {
    auto found = std::upper_bound(names.begin(), names.end(), after);
    return found == names.end() ? std::string() : *found;
  }
  void list_table_names(NameList& list) override {
    for (const std::string& name : names) list.append(name);
  }
  void mark_for_recreation() override { recreate = true; }
  const void* driver_descriptor() const override { return &descriptor; }

  TableOptions options_;
  bool open = false;
  uint32_t mark = 0;
  bool recreate = false;
  int descriptor = 0;
  std::vector<std::string> names{"MATERIAS", "NOTAS", "PUPILS"};
};

class Collected : public NameList {
 public:
  void append(const std::string& name) override { names.push_back(name); }
  std::vector<std::string> names;
};

class DriverOptionsTest : public ::testing::Test {
 protected:
  void TearDown() override { set_warning_box(nullptr); }

  SendResult send(const std::string& text) { return send_option(table, text, tcf); }

  FakeTable table;
  TcfNames tcf;
};

TEST_F(DriverOptionsTest, DriverStringIgnoresCaseSpacesAndUnknownItems) {
  apply_driver_string(table, "/fullbuild=on/Recover=10/DecimalCheck = OFF /QUICKSCAN=on", tcf);
  EXPECT_TRUE(table.options_.full_build);
  EXPECT_FALSE(table.options_.decimal_check);
  EXPECT_FALSE(table.recreate);
  EXPECT_FALSE(tcf.has_fixed_name());
}

TEST_F(DriverOptionsTest, FlagsNeedAnOpenTable) {
  apply_driver_string(table, "/FLAGS=5", tcf);
  table.open = true;
  EXPECT_EQ(table.mark, 0u);
  EXPECT_EQ(send("FLAGS=5").text, "5");
  EXPECT_EQ(send("FLAGS").text, "5");
  EXPECT_EQ(send("flags = 17 ").text, "17");
  table.open = false;
  EXPECT_EQ(send("FLAGS=9").text, "0");
  EXPECT_EQ(table.mark, 17u);
}

TEST_F(DriverOptionsTest, SwitchValuesCompareTheirFirstCharacters) {
  const struct {
    bool full_build_before;
    bool decimal_check_before;
    const char* text;
    const char* result;
    bool full_build_after;
    bool decimal_check_after;
  } cases[] = {
      {false, true, "FULLBUILD", "OFF", false, true},     // no "=": a query
      {true, true, "FULLBUILD=YES", "OFF", false, true},  // only ON turns it on
      {false, true, "FullBuild  =  On", "ON", true, true},
      {false, true, "FULLBUILD=ONCE", "ON", true, true},
      {true, true, "FULLBUILD=", "OFF", false, true},
      {false, true, "FULLBUILD ON", "OFF", false, true},  // text after the name: a query
      {false, true, "FULLBUILDX=ON", "OFF", false, true},
      {false, true, "FULL=ON", "", false, true},  // unknown: ignored
      {false, true, "DecimalCheck=off", "OFF", false, false},
      {false, false, "DECIMALCHECK=OF", "ON", false, true},
      {false, false, "decimalcheck=no", "ON", false, true},
      {false, false, "DecimalCheck", "OFF", false, false},
  };
  for (const auto& c : cases) {
    table.options_ = TableOptions{c.decimal_check_before, c.full_build_before};
    SendResult result = send(c.text);
    EXPECT_EQ(result.error, 0) << c.text;
    EXPECT_EQ(result.text, c.result) << c.text;
    EXPECT_EQ(table.options_.full_build, c.full_build_after) << c.text;
    EXPECT_EQ(table.options_.decimal_check, c.decimal_check_after) << c.text;
  }
}

TEST_F(DriverOptionsTest, TableNameQueries) {
  EXPECT_EQ(send("PNM").text, "");  // needs the open table
  table.open = true;
  EXPECT_EQ(send("PNM").text, "MATERIAS");
  EXPECT_EQ(send("PNM=NOTAS").text, "PUPILS");
  EXPECT_EQ(send("pnm = M").text, "MATERIAS");
  EXPECT_EQ(send("PNM=PUPILS").text, "");

  Collected list;
  {
    NameListRegistration registration(list);
    send("PNMQ=" + registration.value_text());
    EXPECT_EQ(list.names, table.names);
    list.names.clear();
    send("PNMQ=" + std::to_string(reinterpret_cast<uintptr_t>(&list) + 8));
    EXPECT_TRUE(list.names.empty());
  }
  // A list no longer registered is never reached.
  send("PNMQ=" + std::to_string(reinterpret_cast<uintptr_t>(&list)));
  EXPECT_TRUE(list.names.empty());
}

TEST_F(DriverOptionsTest, TcfNameIsKeptProcessWide) {
  EXPECT_EQ(send("TCF").text, "");
  EXPECT_EQ(send("TCF = /srv/school/tx.tcf").text, "/srv/school/tx.tcf");
  FakeTable other;
  EXPECT_EQ(send_option(other, "tcf", tcf).text, "/srv/school/tx.tcf");

  // In a driver string the path's slashes belong to the value.
  TcfNames fresh;
  apply_driver_string(table, "/TCF=/srv/school/tx two.tcf /FULLBUILD=ON", fresh);
  EXPECT_EQ(fresh.fixed_name(), "/srv/school/tx two.tcf");
  EXPECT_TRUE(table.options_.full_build);
}

TEST_F(DriverOptionsTest, RegisterAndImportFileAreExactCommands) {
  std::vector<std::string> shown;
  set_warning_box([&](std::string_view title, std::string_view text) {
    shown.push_back(std::string(title) + "|" + std::string(text));
  });

  SendResult registered = send("REGISTER");
  EXPECT_EQ(registered.error, 0);
  EXPECT_EQ(registered.value, reinterpret_cast<uintptr_t>(&table.descriptor));
  EXPECT_EQ(registered.text, std::to_string(registered.value));
  EXPECT_TRUE(table.recreate);

  FakeTable lower;
  EXPECT_EQ(send_option(lower, "register", tcf).value, 0u);
  EXPECT_FALSE(lower.recreate);

  EXPECT_EQ(send("IMPORTFILE").error, 37);
  EXPECT_EQ(shown,
            std::vector<std::string>{"File Import|File Driver does not support File Import"});
  table.open = true;
  table.recreate = false;
  EXPECT_EQ(send("IMPORTFILE").error, 37);  // open: no box
  EXPECT_EQ(shown,
            std::vector<std::string>{"File Import|File Driver does not support File Import"});
  send("REGISTER");
  EXPECT_FALSE(table.recreate);
  EXPECT_EQ(send("ImportFile").error, 0);
}

}  // namespace
}  // namespace tps
