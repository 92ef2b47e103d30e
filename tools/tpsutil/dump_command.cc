// `tpsutil dump`: every data record of every table (or of one), decoded
// through the definition stored in the file, as JSON on the output or as
// one CSV file per table.
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>

#include "commands.h"
#include "read_only_file.h"
#include "record_decoder.h"
#include "table_view.h"
#include "tps/options/table_name.h"
#include "tps/table/memo_chunks.h"
#include "tps/table/record_keys.h"

namespace tpsutil {

namespace {

constexpr const char* kUsage = "usage: tpsutil dump FILE[\\!TABLE] [--format json|csv] [--out DIR]\n";
// Excel reads a CSV file as UTF-8 only when it starts with the byte order mark.
constexpr const char* kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// One record as the sinks receive it.
struct DecodedRecord {
  uint32_t number = 0;
  std::vector<std::vector<Value>> columns;  // per field column, one value per element
  std::vector<Value> memos;                 // per memo
};

// Where the decoded tables go.
class Sink {
 public:
  virtual ~Sink() = default;
  // Starts a table; false when its output cannot be created.
  virtual bool begin_table(const TableView& table, const std::vector<FieldColumn>& columns) = 0;
  virtual void record(const DecodedRecord& record) = 0;
  // Ends the table; `error` is empty, or why it was not dumped whole.
  virtual void end_table(const std::string& error) = 0;
  virtual void finish() = 0;
};

class JsonSink final : public Sink {
 public:
  explicit JsonSink(std::ostream& out) : out_(out) { out_ << "{\"tables\":["; }

  bool begin_table(const TableView& table, const std::vector<FieldColumn>& columns) override {
    table_ = &table;
    columns_ = columns;
    out_ << (tables_++ ? ",\n" : "\n") << "{\"name\":" << json_quote(shown_name(table.name))
         << ",\"table_number\":" << table.number << ",\"records\":[";
    records_ = 0;
    return true;
  }

  void record(const DecodedRecord& record) override {
    const tps::TableDeclaration& layout = table_->layout;
    out_ << (records_++ ? ",\n" : "\n") << "{\"record\":" << record.number << ",\"fields\":{";
    for (size_t c = 0; c < columns_.size(); ++c) {
      out_ << (c ? "," : "") << json_quote(shown_name(layout.fields[columns_[c].field].label)) << ":";
      write_values(columns_[c], record.columns[c]);
    }
    out_ << "},\"memos\":{";
    for (size_t m = 0; m < record.memos.size(); ++m)
      out_ << (m ? "," : "") << json_quote(memo_label(layout.memos[m])) << ":" << to_json(record.memos[m]);
    out_ << "}}";
  }

  void end_table(const std::string& error) override {
    out_ << (records_ ? "\n]" : "]");
    if (!error.empty()) out_ << ",\"error\":" << json_quote(error);
    out_ << "}";
  }

  void finish() override { out_ << (tables_ ? "\n]}\n" : "]}\n"); }

 private:
  void write_values(const FieldColumn& column, const std::vector<Value>& values) {
    if (!column.repeated) {
      out_ << (values.empty() ? "null" : to_json(values[0]));
      return;
    }
    out_ << "[";
    for (size_t i = 0; i < values.size(); ++i) out_ << (i ? "," : "") << to_json(values[i]);
    out_ << "]";
  }

  std::ostream& out_;
  const TableView* table_ = nullptr;
  std::vector<FieldColumn> columns_;
  int tables_ = 0;
  int records_ = 0;
};

// Characters kept in CSV file names; every other byte becomes '_', so a
// table name read from the file can never reach outside the output directory.
std::string safe_file_part(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    out += kept ? char(c) : '_';
  }
  return out.empty() ? "_" : out;
}

class CsvSink final : public Sink {
 public:
  CsvSink(const std::string& source, std::string directory, Output io)
      : stem_(safe_file_part(std::filesystem::path(source).stem().string())), directory_(std::move(directory)),
        io_(io) {}

  bool begin_table(const TableView& table, const std::vector<FieldColumn>& columns) override {
    skipped_ = !table.readable();  // nothing to write: the error goes to the error output
    if (skipped_) return true;
    const std::string name =
        table.name == tps::kUnnamedTable ? stem_ + ".csv" : stem_ + "." + safe_file_part(table.name) + ".csv";
    path_ = (std::filesystem::path(directory_) / name).string();
    out_ = std::make_unique<std::ofstream>(path_, std::ios::binary | std::ios::trunc);
    if (!*out_) {
      io_.err << path_ << ": cannot be written\n";
      write_failed_ = true;
      return false;
    }
    records_ = 0;
    *out_ << kUtf8ByteOrderMark << "record";
    for (const FieldColumn& column : columns) {
      const std::string label = shown_name(table.layout.fields[column.field].label);
      if (!column.repeated) {
        *out_ << "," << csv_quote(label);
        continue;
      }
      for (size_t i = 0; i < column.offsets.size(); ++i)
        *out_ << "," << csv_quote(label + "[" + std::to_string(i + 1) + "]");
    }
    for (const tps::MemoDeclaration& memo : table.layout.memos) *out_ << "," << csv_quote(memo_label(memo));
    *out_ << "\r\n";
    return true;
  }

  void record(const DecodedRecord& record) override {
    if (skipped_) return;
    *out_ << record.number;
    for (const std::vector<Value>& values : record.columns)
      for (const Value& value : values) *out_ << "," << to_csv_cell(value);
    for (const Value& memo : record.memos) *out_ << "," << to_csv_cell(memo);
    *out_ << "\r\n";
    ++records_;
  }

  void end_table(const std::string& error) override {
    if (skipped_) return;
    out_->flush();
    if (!*out_) {
      io_.err << path_ << ": write failed\n";
      write_failed_ = true;
    }
    io_.out << path_ << ": " << records_ << " records" << (error.empty() ? "" : " (incomplete)") << "\n";
    out_.reset();
  }

  void finish() override {}
  bool write_failed() const { return write_failed_; }

 private:
  std::string stem_;
  std::string directory_;
  Output io_;
  std::string path_;
  std::unique_ptr<std::ofstream> out_;
  int records_ = 0;
  bool skipped_ = false;
  bool write_failed_ = false;
};

// The memo values of `record`: chunks gathered by memo number in sequence
// order, put together as the table layer reads them. A BLOB whose chunks do
// not add up is null.
std::vector<Value> read_memos(tps::FileObject& file, const TableView& table, uint32_t record, bool& damaged) {
  std::map<uint8_t, std::vector<tps::Bytes>> chunks;
  tps::PageTree tree(file);
  for_each_record(tree, tps::memo_record_prefix(table.number, record), [&](const tps::RecordRef& ref) {
    const tps::RecordKeyParts parts = tps::decode_record_key(ref.record->bytes(), ref.record->key_length);
    if (parts.kind == tps::RecordKind::kMemo)
      chunks[parts.memo].emplace_back(ref.record->data(), ref.record->data() + ref.record->data_length());
    return true;
  });
  std::vector<Value> values;
  for (size_t m = 0; m < table.layout.memos.size(); ++m) {
    const tps::MemoDeclaration& memo = table.layout.memos[m];
    const std::vector<tps::Bytes>& stored = chunks[uint8_t(m)];
    const bool convert = table.oem && !memo.is_binary();
    if (!memo.is_blob()) {
      values.push_back(decode_memo(memo, tps::memo_from_chunks(stored, memo.size, convert)));
    } else if (std::optional<tps::Bytes> blob = tps::blob_from_chunks(stored, convert)) {
      values.push_back(decode_memo(memo, *blob));
    } else {
      values.emplace_back();
      damaged = true;
    }
  }
  return values;
}

// Dumps one table into `sink`. Returns false when it could not be dumped whole.
bool dump_table(tps::FileObject& file, const TableView& table, Sink& sink, Output io) {
  const std::vector<FieldColumn> columns = table.readable() ? field_columns(table.layout) : std::vector<FieldColumn>{};
  if (!sink.begin_table(table, columns)) return false;
  if (!table.readable()) {
    const std::string error = table_error_text(table);
    io.err << "table " << shown_name(table.name) << ": " << error << "\n";
    sink.end_table(error);
    return false;
  }
  std::string error;
  try {
    tps::PageTree tree(file);
    for (uint32_t number : data_record_numbers(file, table.number)) {
      const tps::Bytes key = tps::data_record_key(table.number, number);
      const tps::RecordRef ref = tree.find_exact(key.data(), key.size());
      if (!ref) continue;
      const tps::Bytes buffer = record_buffer(table, ref.record->data(), ref.record->data_length());
      DecodedRecord record;
      record.number = number;
      for (const FieldColumn& column : columns)
        record.columns.push_back(decode_column(table.layout, column, buffer.data(), buffer.size()));
      bool damaged = false;
      record.memos = read_memos(file, table, number, damaged);
      if (damaged) {
        io.err << "table " << shown_name(table.name) << ": record " << number << ": a BLOB's chunks are damaged\n";
        error = "damaged BLOB values shown as null";
      }
      sink.record(record);
    }
  } catch (const std::exception& failure) {
    error = "reading stopped: " + describe_failure(failure) + "; run `tpsutil check`";
    io.err << "table " << shown_name(table.name) << ": " << error << "\n";
  }
  sink.end_table(error);
  return error.empty();
}

struct DumpArguments {
  std::string target;
  std::string format = "json";
  std::string out_directory = ".";
};

bool parse(const std::vector<std::string>& args, DumpArguments& parsed) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "--format" || a == "--out") && i + 1 < args.size()) {
      (a == "--format" ? parsed.format : parsed.out_directory) = args[++i];
    } else if (a.rfind("--format=", 0) == 0) {
      parsed.format = a.substr(9);
    } else if (a.rfind("--out=", 0) == 0) {
      parsed.out_directory = a.substr(6);
    } else if (parsed.target.empty() && a.rfind("--", 0) != 0) {
      parsed.target = a;
    } else {
      return false;
    }
  }
  return !parsed.target.empty() && (parsed.format == "json" || parsed.format == "csv");
}

}  // namespace

int dump_command(const std::vector<std::string>& args, Output io) {
  DumpArguments parsed;
  if (!parse(args, parsed)) {
    io.err << kUsage;
    return kExitUsage;
  }
  const TableArgument target = split_table_argument(parsed.target, io.fs ? *io.fs : os::real_file_system());
  ReadOnlyFile file(target.file, io.fs);
  if (file.error() || file.begin_view()) {
    io.err << target.file << ": " << file.error_text() << "\n";
    return kExitUnreadable;
  }
  std::vector<TableView> tables;
  try {
    if (!target.table) {
      tables = load_tables(file.file());
    } else if (std::optional<TableView> table = load_table(file.file(), *target.table)) {
      tables.push_back(std::move(*table));
    } else {
      io.err << target.file << ": no table " << shown_name(*target.table) << "\n";
      return kExitUnreadable;
    }
  } catch (const std::exception& failure) {
    io.err << target.file << ": the table names cannot be read (" << describe_failure(failure)
           << "); run `tpsutil check`\n";
    return kExitUnreadable;
  }

  std::unique_ptr<Sink> sink;
  CsvSink* csv = nullptr;
  if (parsed.format == "csv") {
    auto owned = std::make_unique<CsvSink>(target.file, parsed.out_directory, io);
    csv = owned.get();
    sink = std::move(owned);
  } else {
    sink = std::make_unique<JsonSink>(io.out);
  }
  bool whole = true;
  for (const TableView& table : tables) {
    if (!dump_table(file.file(), table, *sink, io)) whole = false;
    if (csv && csv->write_failed()) return kExitCannotCreate;
  }
  sink->finish();
  file.end_view();
  return whole ? kExitOk : kExitInconsistent;
}

}  // namespace tpsutil
