// The administrators' table commands: `tables`, `dump` and the table part of
// `check`, on the files another program wrote and on files the engine writes.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>

#include "platform/os/memory_file_system.h"
#include "tests/support/support.h"
#include "tests/support/json_value.h"
#include "tools/tpsutil/commands.h"
#include "tps/base/bytes.h"
#include "tps/key/key_descriptor.h"
#include "tps/key/key_maintenance.h"
#include "tps/maint/structure_check.h"
#include "tps/page/file_object.h"
#include "tps/table/record_keys.h"
#include "tps/table/table_catalog.h"
#include "tps/table/table_records.h"
#include "tps/tree/page_tree.h"

namespace {

using testing_support::Json;
using testing_support::parse_json;
using testing_support::to_text;

struct Result {
  int exit_code;
  std::string out, err;
};

// Runs `tpsutil` in-process; TPS files are opened in `fs` when given.
Result tpsutil(std::vector<std::string> args, os::FileSystem* fs = nullptr) {
  std::ostringstream out, err;
  const int code = tpsutil::run(args, {out, err, fs});
  return {code, out.str(), err.str()};
}

std::string fixture(const std::string& name) { return std::string(QV_FIXTURES_DIR) + "/" + name; }

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> read_bytes(const std::string& path) {
  const std::string text = read_text(path);
  return std::vector<uint8_t>(text.begin(), text.end());
}

bool contains(const std::vector<std::string>& texts, const std::string& part) {
  for (const std::string& text : texts)
    if (text.find(part) != std::string::npos) return true;
  return false;
}

// --- Editing a file the way one engine operation does ------------------------

// Runs `change` on the file at `path` in update mode and commits it.
void edit_file(os::FileSystem& fs, const std::string& path,
               const std::function<void(tps::FileObject&, tps::PageTree&)>& change) {
  tps::FileObject file(fs, path);
  tps::OpenOptions options;
  options.write = true;
  options.create = true;
  ASSERT_EQ(file.open(options), 0);
  file.switch_to_update_mode();
  ASSERT_EQ(file.refresh_header(), 0);
  tps::PageTree tree(file);
  change(file, tree);
  ASSERT_EQ(file.end_operation(), 0);
}

void put(tps::PageTree& tree, const tps::Bytes& key, const tps::Bytes& data) {
  tps::Bytes record = key;
  record.insert(record.end(), data.begin(), data.end());
  tree.insert(record.data(), uint16_t(record.size()), uint16_t(key.size()));
}

// Replaces the data of the record with key `key`.
void replace(tps::PageTree& tree, const tps::Bytes& key, const tps::Bytes& data) {
  tree.remove(key.data(), key.size());
  put(tree, key, data);
}

// --- A table with every field type, written as record operations write ------

namespace ft = tps::field_type;

tps::FieldDeclaration field(uint8_t type, const char* label, uint32_t offset, uint32_t size, uint32_t elements = 1) {
  tps::FieldDeclaration f;
  f.type = type;
  f.label = label;
  f.offset = offset;
  f.size = size;
  f.element_count = elements;
  f.element_size = size / elements;
  return f;
}

tps::KeyDeclaration key(const char* label, uint8_t attributes, std::vector<tps::KeyComponent> components) {
  tps::KeyDeclaration k;
  k.label = label;
  k.attributes = attributes;
  k.components = std::move(components);
  return k;
}

constexpr uint32_t kMixedRecordLength = 78;

tps::TableDeclaration mixed_declaration() {
  tps::TableDeclaration t;
  t.attributes = tps::table_attr::kOem;
  t.record_length = kMixedRecordLength;
  tps::FieldDeclaration amount = field(ft::kDecimal, "MIX:AMOUNT", 28, 3);
  amount.decimal_places = 2;
  t.fields = {field(ft::kLong, "MIX:ID", 0, 4),        field(ft::kString, "MIX:NAME", 4, 10),
              field(ft::kCString, "MIX:CODE", 14, 8),  field(ft::kPString, "MIX:TAG", 22, 6),
              amount,                                 field(ft::kDate, "MIX:BORN", 31, 4),
              field(ft::kTime, "MIX:AT", 35, 4),       field(ft::kSReal, "MIX:RATIO", 39, 4),
              field(ft::kReal, "MIX:WEIGHT", 43, 8),   field(ft::kShort, "MIX:DELTA", 51, 2),
              field(ft::kByte, "MIX:FLAGS", 53, 1),    field(ft::kUShort, "MIX:U", 54, 2),
              field(ft::kULong, "MIX:BIG", 56, 4),     field(ft::kString, "MIX:TAGS", 60, 6, 2),
              field(ft::kGroup, "MIX:PAIR", 66, 12, 2), field(ft::kLong, "MIX:PAIR_N", 66, 4),
              field(ft::kString, "MIX:PAIR_S", 70, 2)};
  tps::MemoDeclaration notes, raw, photo;
  notes.label = "MIX:NOTES";
  notes.size = 600;
  raw.label = "MIX:RAW";
  raw.size = 16;
  raw.attributes = tps::memo_attr::kBinary;
  photo.label = "MIX:PHOTO";
  photo.attributes = tps::memo_attr::kBlob | tps::memo_attr::kBinary;
  t.memos = {notes, raw, photo};
  using namespace tps::key_attr;
  t.keys = {key("MIX:BY_ID", kPrimary | kOpt, {{0, false}}),
            key("MIX:BY_NAME", kDup | kNoCase, {{1, true}}),
            key("MIX:BY_CODE_AMOUNT", kDup | kOpt, {{2, false}, {4, false}}),
            key("MIX:BY_WHEN", kDup, {{5, false}, {6, true}})};
  return t;
}

struct MixedRow {
  tps::Bytes record = tps::Bytes(kMixedRecordLength, 0);
  tps::TableRecords::MemoValues memos;

  void text(uint32_t offset, const std::string& bytes) { std::memcpy(&record[offset], bytes.data(), bytes.size()); }
  void u32(uint32_t offset, uint32_t value) { tps::store_u32le(&record[offset], value); }
};

// Writes the rows as ADD does: number, keys, data record, count, memos.
void write_mixed_table(os::FileSystem& fs, const std::string& path, const std::vector<MixedRow>& rows) {
  const tps::TableDeclaration declaration = mixed_declaration();
  uint32_t table = 0;
  edit_file(fs, path, [&](tps::FileObject& file, tps::PageTree&) {
    table = tps::create_table(file, "UNNAMED", declaration, tps::process_locale());
  });
  std::vector<tps::KeyDescriptor> keys;
  ASSERT_TRUE(tps::build_key_descriptors(declaration, keys).ok());
  for (const MixedRow& row : rows) {
    edit_file(fs, path, [&](tps::FileObject& file, tps::PageTree& tree) {
      tps::TableRecords records(file, table, declaration, /*oem=*/true);
      const uint32_t number = tps::load_u32be(file.next_number().data());
      const tps::TableKeys table_keys{tree, records, table, keys, {&tps::process_locale(), true}};
      ASSERT_EQ(tps::maintain_keys(table_keys, row.record.data(), nullptr, number, false), 0);
      records.write_data_record(number, row.record.data());
      ASSERT_TRUE(records.add_table_count(1));
      ASSERT_EQ(records.write_memos(number, row.memos, true), 0);
    });
  }
}

tps::Bytes memo_buffer(const std::string& text, size_t size) {
  tps::Bytes buffer(size, ' ');
  std::memcpy(buffer.data(), text.data(), text.size());
  return buffer;
}

// Three rows: every type with values that show their encodings, an empty
// one (null DATE and TIME, blank OPT components, empty memos), and a third
// whose name differs from the first only in case.
std::vector<MixedRow> mixed_rows() {
  MixedRow full;
  full.u32(0, 1);
  full.text(4, "Mu\xF1oz     ");           // Muñoz, in ANSI
  full.text(14, std::string("AB\0ZZZZZ", 8));  // nothing after the NUL is text
  full.text(22, "\x03xyz!!");                  // the length byte counts 3
  full.text(28, "\xF0\x03\x25");               // -3.25
  full.text(31, "\x09\x03\xE0\x07");           // 2016-03-09
  full.text(35, "\x19\x1E\x2D\x0D");           // 13:45:30.25
  const float ratio = 0.1f;  // shown as 0.1, not as the double nearest to it
  const double weight = -2.75;
  std::memcpy(&full.record[39], &ratio, 4);
  std::memcpy(&full.record[43], &weight, 8);
  full.text(51, "\xFE\xFF");  // -2
  full.record[53] = 255;
  full.text(54, "\xFF\xFF");
  full.u32(56, 0xFFFFFFFF);
  full.text(60, "ab c  ");
  full.u32(66, 7);
  full.text(70, "p ");
  full.u32(72, 8);
  full.text(76, "q ");
  const std::string notes = std::string(290, 'n') + " \xBFs\xED, \"dos\"\r\nfin";  // two chunks; ¿sí
  full.memos = {memo_buffer(notes, 600), memo_buffer(std::string("\x00\x01\x02\xFF", 4), 16), {1, 2, 3}};

  MixedRow empty;
  empty.text(4, "zeta      ");
  empty.memos = {memo_buffer("", 600), memo_buffer("", 16), {}};

  MixedRow twin = full;
  twin.u32(0, 3);
  twin.text(4, "MU\xD1OZ     ");  // MUÑOZ
  twin.text(28, std::string("\x00\x12\x50", 3));  // 12.50
  return {full, empty, twin};
}

constexpr const char* kMixedPath = "/mixed.tps";

// --- Tests ---------------------------------------------------------------

TEST(TpsutilDump, ReproducesEveryRecordTheOtherProgramWrote) {
  const Json expected = parse_json(read_text(fixture("two-tables/expected.json")));
  for (const char* file : {"QVMaterias.TPS", "QVLIBJAR.TPS"}) {
    SCOPED_TRACE(file);
    const Result r = tpsutil({"dump", fixture(std::string("two-tables/") + file)});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const Json dump = parse_json(r.out);
    ASSERT_EQ(dump["tables"].items.size(), 1u);
    const Json& table = dump["tables"][0];
    EXPECT_EQ(table["name"].text, "UNNAMED");
    EXPECT_EQ(table["table_number"].text, "1");
    const Json& want = expected[file];
    ASSERT_EQ(table["records"].items.size(), want.items.size());
    for (size_t i = 0; i < want.items.size(); ++i)
      EXPECT_EQ(table["records"][i], want[i]) << to_text(table["records"][i]) << "\n" << to_text(want[i]);
  }

  // One table by name (any case), and a name the file does not hold.
  const std::string pupils = fixture("two-tables/QVLIBJAR.TPS");
  const Result named = tpsutil({"dump", pupils + "\\!unnamed"});
  EXPECT_EQ(named.exit_code, 0) << named.err;
  EXPECT_EQ(parse_json(named.out)["tables"][0]["records"].items.size(), 30u);
  const Result missing = tpsutil({"dump", pupils + "\\!GRADES"});
  EXPECT_EQ(missing.exit_code, tpsutil::kExitUnreadable);
  EXPECT_NE(missing.err.find("no table GRADES"), std::string::npos) << missing.err;
  EXPECT_EQ(tpsutil({"dump", pupils, "--format", "xml"}).exit_code, tpsutil::kExitUsage);
}

// RFC 4180 rows of a CSV text.
std::vector<std::vector<std::string>> parse_csv(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        rows.back().back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        rows.back().back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      if (i + 1 < text.size()) rows.emplace_back(1);
    } else {
      rows.back().back() += c;
    }
  }
  return rows;
}

TEST(TpsutilDump, WritesOneCsvFilePerTableForSpreadsheets) {
  testing_support::TempDir dir;
  const Result r = tpsutil({"dump", fixture("two-tables/QVMaterias.TPS"), "--format", "csv", "--out", dir.path()});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::string csv = read_text(dir.file("QVMaterias.csv"));
  ASSERT_EQ(csv.rfind("\xEF\xBB\xBF" "record,QVM:NRO_REGISTRO,QVM:NRO_ORDEN,QVM:MATERIA,", 0), 0u) << csv.substr(0, 80);
  EXPECT_NE(csv.find(",\"Rodr\xC3\xAD" "guez, Mart\xC3\xAD" "n\","), std::string::npos);  // quoted for its comma

  // Every cell holds what the other program wrote: numbers and DECIMAL as
  // their text, an empty cell for a null DATE.
  const std::vector<std::vector<std::string>> rows = parse_csv(csv.substr(3));
  const Json all_expected = parse_json(read_text(fixture("two-tables/expected.json")));
  const Json& expected = all_expected["QVMaterias.TPS"];
  ASSERT_EQ(rows.size(), expected.items.size() + 1);
  const std::vector<std::string>& header = rows[0];
  for (size_t i = 0; i < expected.items.size(); ++i) {
    const Json& record = expected[i];
    ASSERT_EQ(rows[i + 1].size(), header.size());
    EXPECT_EQ(rows[i + 1][0], record["record"].text);
    for (size_t c = 1; c < header.size(); ++c) {
      const Json& value = record["fields"][header[c]].is_null() && !record["memos"][header[c]].is_null()
                              ? record["memos"][header[c]]
                              : record["fields"][header[c]];
      EXPECT_EQ(rows[i + 1][c], value.text) << "record " << record["record"].text << " " << header[c];
    }
  }
}

TEST(TpsutilDump, DecodesEveryFieldTypeArraysGroupsAndBinaryMemos) {
  os::MemoryFileSystem fs;
  write_mixed_table(fs, kMixedPath, mixed_rows());
  const Result r = tpsutil({"dump", kMixedPath}, &fs);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const Json dump = parse_json(r.out);
  const Json& records = dump["tables"][0]["records"];
  ASSERT_EQ(records.items.size(), 3u);

  // A group with members is shown through them, each element of a
  // dimensioned group in turn; the members' strings without their padding.
  EXPECT_EQ(records[0], parse_json(R"({"record":2,"fields":{
      "MIX:ID":1,"MIX:NAME":"Muñoz","MIX:CODE":"AB","MIX:TAG":"xyz","MIX:AMOUNT":"-3.25",
      "MIX:BORN":"2016-03-09","MIX:AT":"13:45:30.25","MIX:RATIO":0.1,"MIX:WEIGHT":-2.75,
      "MIX:DELTA":-2,"MIX:FLAGS":255,"MIX:U":65535,"MIX:BIG":4294967295,"MIX:TAGS":["ab","c"],
      "MIX:PAIR_N":[7,8],"MIX:PAIR_S":["p","q"]},
    "memos":{"MIX:NOTES":")" + std::string(290, 'n') + R"( ¿sí, \"dos\"\r\nfin",
             "MIX:RAW":"AAEC/w==","MIX:PHOTO":"AQID"}})"))
      << to_text(records[0]);
  EXPECT_EQ(records[1]["fields"]["MIX:BORN"].kind, Json::Kind::kNull);
  EXPECT_EQ(records[1]["fields"]["MIX:AT"].kind, Json::Kind::kNull);
  EXPECT_EQ(records[1]["fields"]["MIX:AMOUNT"].text, "0.00");
  EXPECT_EQ(records[1]["memos"], parse_json(R"({"MIX:NOTES":"","MIX:RAW":"","MIX:PHOTO":""})"));
  EXPECT_EQ(records[2]["fields"]["MIX:NAME"].text, "MUÑOZ");
  EXPECT_EQ(records[2]["fields"]["MIX:AMOUNT"].text, "12.50");

  // The keys the engine wrote (descending, NOCASE, CSTRING and DECIMAL
  // components, OPT blanks, OEM text) are the ones the check expects.
  const Result check = tpsutil({"check", kMixedPath}, &fs);
  EXPECT_EQ(check.exit_code, 0) << check.out;
}

TEST(TpsutilTables, ListsNumbersCountsAndStoredDeclarations) {
  const Result text = tpsutil({"tables", fixture("two-tables/QVMaterias.TPS")});
  ASSERT_EQ(text.exit_code, 0) << text.err;
  for (const char* part :
       {"table UNNAMED: number 1, 5 records, definition version 1, record length 523, OEM text",
        "QVM:HORAS                            DECIMAL(5,2)   offset   214  size     3",
        "QVM:QVP_FECHANAC                     DATE           offset   519  size     4", "QVM:OBJETIVO", "MEMO(4000)",
        "QVM:CLAVE_CURSO_ORDEN_CODIGO         KEY DUP OPT NOCASE (0x07)  +QVM:COD_CURSO, +QVM:NRO_ORDEN, "
        "+QVM:NRO_REGISTRO"}) {
    EXPECT_NE(text.out.find(part), std::string::npos) << part << "\n" << text.out;
  }

  const Result json = tpsutil({"tables", fixture("two-tables/QVLIBJAR.TPS"), "--json"});
  ASSERT_EQ(json.exit_code, 0) << json.err;
  const Json listing = parse_json(json.out);
  const Json& table = listing["tables"][0];
  EXPECT_EQ(table["records"].text, "30");
  EXPECT_EQ(table["oem"].text, "true");
  EXPECT_EQ(table["fields"][4], parse_json(R"J({"number":5,"label":"QVL:ALUMNO","type":"STRING","type_code":18,
      "declared":"STRING(30)","offset":20,"size":30,"dim":1,"over":false,"length":30,"picture":""})J"));
  EXPECT_EQ(table["memos"][2]["label"].text, "QVL:PARRAFO1A");
  EXPECT_EQ(table["memos"][2]["size"].text, "5600");
  const Json& key8 = table["keys"][7];
  EXPECT_EQ(key8["label"].text, "QVL:CLAVE_MATERIA_SEXO_ALUMNO2");
  EXPECT_EQ(to_text(key8["attributes"]), R"(["DUP","OPT","NOCASE"])");
  EXPECT_EQ(key8["components"][1], parse_json(R"({"field":"QVL:SEXO","field_number":4,"descending":true})"));
}

// A copy of the pupils' file in memory, ready to be damaged.
class DamagedPupils : public ::testing::Test {
 protected:
  static constexpr const char* kPath = "/QVLIBJAR.TPS";
  static constexpr uint32_t kTable = 1;

  void SetUp() override { ASSERT_EQ(fs.set_contents(kPath, read_bytes(fixture("two-tables/QVLIBJAR.TPS"))), 0); }

  Json check_json() {
    const Result r = tpsutil({"check", kPath, "--json"}, &fs);
    EXPECT_NE(r.exit_code, tpsutil::kExitUnreadable) << r.err;
    return parse_json(r.out);
  }

  static std::vector<std::string> texts(const Json& array) {
    std::vector<std::string> out;
    for (const Json& item : array.items) out.push_back(item.text);
    return out;
  }

  // The first entry of key `key` (0-based) and the record it points to.
  tps::Bytes first_entry(tps::PageTree& tree, uint8_t key) {
    const tps::Bytes prefix = tps::key_prefix(kTable, key);
    const tps::RecordRef ref = tree.find_first_after(prefix.data(), prefix.size());
    EXPECT_TRUE(ref);
    return tps::Bytes(ref.record->bytes(), ref.record->bytes() + ref.record->length);
  }

  os::MemoryFileSystem fs;
};

TEST_F(DamagedPupils, CheckFindsEachKindOfTableDamage) {
  ASSERT_EQ(tpsutil({"check", kPath}, &fs).exit_code, 0);
  struct Case {
    const char* name;
    std::function<std::string(tps::PageTree&)> damage;  // returns the problem the check must report
  };
  const Case cases[] = {
      {"a key entry with a changed value",
       [&](tps::PageTree& tree) {
         tps::Bytes entry = first_entry(tree, 8);
         tree.remove(entry.data(), entry.size());  // a DUP key: the whole entry is its key part
         entry[5 + 4] ^= 0x01;                     // first byte of the pupil's name
         tree.insert(entry.data(), uint16_t(entry.size()), uint16_t(entry.size()));
         const std::string record = std::to_string(tps::load_u32be(&entry[entry.size() - 4]));
         return "key 9 QVL:CLAVE_CODMATERIA_ALUALFA: no entry for records " + record;
       }},
      {"a key entry of a record that does not exist",
       [&](tps::PageTree& tree) {
         tps::Bytes entry = first_entry(tree, 0);
         tps::store_u32be(&entry[entry.size() - 4], 999);
         tps::store_u32be(&entry[5], 0x80000000u + 999);  // a value no record has
         put(tree, tps::Bytes(entry.begin(), entry.end() - 4), tps::Bytes(entry.end() - 4, entry.end()));
         return "key 1 QVL:CLAVE_PRIMARIA: 1 entries that no data record gives, for records 999; records that "
                "do not exist: 999";
       }},
      {"a table counter off by one",
       [&](tps::PageTree& tree) {
         replace(tree, tps::counter_record_key(kTable, tps::kTableCounterIndex), tps::counter_record_data(31, 0));
         return std::string("the table's counter says 31 records; the table holds 30");
       }},
      {"a key counter off",
       [&](tps::PageTree& tree) {
         replace(tree, tps::counter_record_key(kTable, 2), tps::counter_record_data(7, 0));
         return std::string("key 3 QVL:CLAVE_COD_MATERIA: its counter says 7 entries; the key holds 30");
       }},
      {"a memo chunk of no record",
       [&](tps::PageTree& tree) {
         put(tree, tps::memo_record_key(kTable, 999, 0, 0), tps::Bytes{'x'});
         return std::string("memo chunks of records that do not exist: 999");
       }},
      {"a gap in a memo's chunks",
       [&](tps::PageTree& tree) {
         const tps::Bytes chunk = tps::memo_record_key(kTable, 2, 3, 1);  // QVL:PARRAFO1B of record 2: 21 chunks
         tree.remove(chunk.data(), chunk.size());
         return std::string("memo 4 QVL:PARRAFO1B of record 2: chunk 2 where chunk 1 should be");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    std::string problem;
    edit_file(fs, kPath, [&](tps::FileObject&, tps::PageTree& tree) { problem = c.damage(tree); });
    const Result r = tpsutil({"check", kPath}, &fs);
    EXPECT_EQ(r.exit_code, tpsutil::kExitInconsistent);
    EXPECT_NE(r.out.find(problem), std::string::npos) << problem << "\n" << r.out;
    const Json report = check_json();
    const Json& table = report["tables"][0];
    EXPECT_EQ(table["consistent"].text, "false");
    EXPECT_TRUE(contains(texts(table["problems"]), problem)) << to_text(table);
  }

  // Records of a table number that no table name refers to.
  SetUp();
  edit_file(fs, kPath, [&](tps::FileObject&, tps::PageTree& tree) {
    put(tree, tps::data_record_key(77, 2), tps::Bytes(253, ' '));
  });
  const Json report = check_json();
  EXPECT_EQ(report["consistent"].text, "false");
  EXPECT_EQ(report["problems"][0]["problem"].text, "records of table number 77, which no table name refers to");
}

TEST_F(DamagedPupils, AKeyOutOfDateMayLackTheEntriesFromItsMarkOn) {
  // As after an APPEND: the key is out of date from a record, and that
  // record has no entry yet. The check reports the mark, not a problem.
  uint32_t record = 0;
  edit_file(fs, kPath, [&](tps::FileObject&, tps::PageTree& tree) {
    tps::Bytes entry = first_entry(tree, 8);
    record = tps::load_u32be(&entry[entry.size() - 4]);
    tree.remove(entry.data(), entry.size());
    replace(tree, tps::counter_record_key(kTable, 8), tps::counter_record_data(29, record));
  });
  const Result r = tpsutil({"check", kPath}, &fs);
  EXPECT_EQ(r.exit_code, 0) << r.out;
  const Json report = check_json();
  const Json& table = report["tables"][0];
  EXPECT_EQ(table["consistent"].text, "true");
  EXPECT_TRUE(contains(texts(table["notes"]), "key 9 QVL:CLAVE_CODMATERIA_ALUALFA is out of date from record " +
                                                  std::to_string(record)))
      << to_text(table);

  // Below the mark the key must still be whole.
  edit_file(fs, kPath, [&](tps::FileObject&, tps::PageTree& tree) {
    replace(tree, tps::counter_record_key(kTable, 8), tps::counter_record_data(29, record + 1));
  });
  EXPECT_EQ(tpsutil({"check", kPath}, &fs).exit_code, tpsutil::kExitInconsistent);
}

// Every stored record key of the file at `path`.
std::vector<tps::Bytes> record_keys(os::FileSystem& fs, const std::string& path) {
  std::vector<tps::Bytes> keys;
  tps::FileObject file(fs, path);
  EXPECT_EQ(file.open(tps::OpenOptions{}), 0);
  EXPECT_EQ(file.refresh_header(), 0);
  tps::check_structure(
      file,
      [](void* context, const uint8_t* bytes, uint16_t, uint16_t key_length) {
        static_cast<std::vector<tps::Bytes>*>(context)->emplace_back(bytes, bytes + key_length);
      },
      &keys);
  file.end_operation();
  return keys;
}

TEST(TpsutilTableCommands, NeverCrashOnDamagedFiles) {
  std::mt19937 random(2022);
  auto run_all = [](os::MemoryFileSystem& fs, const std::string& path) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"check", path, "--json"}, {"dump", path}, {"tables", path, "--json"}}) {
      const Result r = tpsutil(args, &fs);
      EXPECT_TRUE(r.exit_code == 0 || r.exit_code == 1 || r.exit_code == 2) << args[0] << " " << r.exit_code;
      if (r.exit_code != 2) {
        EXPECT_NO_THROW(parse_json(r.out)) << args[0] << "\n" << r.out;
      }
    }
  };

  // Damaged pages: bytes of the subjects' file changed anywhere.
  const std::vector<uint8_t> subjects = read_bytes(fixture("two-tables/QVMaterias.TPS"));
  for (int round = 0; round < 150; ++round) {
    os::MemoryFileSystem fs;
    std::vector<uint8_t> bytes = subjects;
    for (int n = 1 + round % 4; n > 0; --n) bytes[random() % bytes.size()] ^= uint8_t(1 + random() % 255);
    ASSERT_EQ(fs.set_contents("/f.tps", bytes), 0);
    run_all(fs, "/f.tps");
  }

  // Damaged records in sound pages: any record of a table of every shape
  // (definition, locale, counters, keys, data, memos, BLOB) given other bytes.
  os::MemoryFileSystem original;
  write_mixed_table(original, kMixedPath, mixed_rows());
  const std::vector<uint8_t> mixed = original.contents(kMixedPath);
  const std::vector<tps::Bytes> keys = record_keys(original, kMixedPath);
  for (int round = 0; round < 150; ++round) {
    os::MemoryFileSystem fs;
    ASSERT_EQ(fs.set_contents(kMixedPath, mixed), 0);
    edit_file(fs, kMixedPath, [&](tps::FileObject&, tps::PageTree& tree) {
      const tps::Bytes& key = keys[random() % keys.size()];
      tps::Bytes data(random() % 24);
      for (uint8_t& byte : data) byte = uint8_t(random() % 4 == 0 ? 0 : random());
      if (round % 3 == 0 && key.size() > 5) {  // a key one byte shorter
        tree.remove(key.data(), key.size());
        put(tree, tps::Bytes(key.begin(), key.end() - 1), data);
      } else {
        replace(tree, key, data);
      }
    });
    run_all(fs, kMixedPath);
  }
}

}  // namespace
