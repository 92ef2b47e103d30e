// qv_school_bench: the program's own two tables (subjects and pupil
// records with their paragraphs) worked as the teacher works them, through
// the file statements, side by side with SQLite holding the same rows under
// the same indexes (rollback journal and WAL, synchronous=FULL).
//
//   qv_school_bench DIR [--subjects=50,200,2000] [--pupils=100]
//
// Each store at each size runs in a child process of its own, so its peak
// memory is its own. Figures are medians over the repeated operations where
// an operation repeats; loads and scans are timed whole.
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bench/counting_file_system.h"
#include "bench/disk_limit.h"
#include "dictionary/qvrudbc0_tables.h"
#include "platform/files/current_error.h"
#include "platform/files/file_table.h"
#include "tps/page/file_registry.h"
#include "school_rows.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kLookups = 2000;           // sign-in lookups timed
constexpr int kSubjectReads = 50;        // subjects listed with their pupils
constexpr int kParagraphChanges = 100;   // LOGOUT/PUT/COMMIT cycles
constexpr int kOneCommitRecords = 100;   // records added with a commit each
constexpr uint32_t kSeed = 7;
constexpr uint32_t kProbeFlushes = 200;  // flushes timed for the disk's limit
// The two-phase commit flushes twice in phase 1 and twice in the log reset.
constexpr double kEngineFlushesPerCommit = 4;

double micros_since(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

uint64_t directory_bytes(const fs::path& dir) {
  uint64_t total = 0;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.is_regular_file()) total += entry.file_size();
  return total;
}

// Runs `op(i)` for i = 0 .. repeats-1 and gives the median of their
// microseconds; a failed op is reported and gives a negative result.
template <typename Op>
double median_micros(int repeats, const char* what, Op op) {
  std::vector<double> times;
  for (int i = 0; i < repeats; ++i) {
    const auto start = Clock::now();
    if (!op(i)) {
      std::fprintf(stderr, "%s failed\n", what);
      return -1;
    }
    times.push_back(micros_since(start));
  }
  return median(times);
}

// What a store reports: workload name -> figure.
using Figures = std::map<std::string, double>;

// The operations every store offers on the two tables.
class SchoolStore {
 public:
  virtual ~SchoolStore() = default;
  virtual bool load(const school::Data& data) = 0;                    // one transaction
  virtual bool add_one(const school::PupilRow& row) = 0;                // its own commit
  virtual bool sign_in(int32_t dni) = 0;                               // any subject of the teacher
  virtual int subject_pupils(int32_t subject, size_t& bytes) = 0;      // name order, both paragraphs
  virtual int subject_records_only(int32_t subject) = 0;               // name order, no memo read
  virtual bool change_paragraph(int32_t record, const std::string& text) = 0;
  virtual int export_all(size_t& bytes) = 0;                           // every pupil with its memos
  virtual bool rebuild_keys() = 0;                                       // every key of the pupil table
  // The cost of one call with nothing to do but take part in the sharing
  // protocol; negative for a store that has no such call.
  virtual double one_call_micros() { return -1; }
  // Around one operation: note its disk work, then replay that work on
  // copies of the files without the store. Nothing for a store that is not
  // traced.
  struct DiskReplay {
    double micros = 0;  // the replay
    uint32_t flushes = 0;
    uint64_t bytes = 0;  // written
  };
  virtual void trace_disk() {}
  virtual std::optional<DiskReplay> replay_disk_trace() { return std::nullopt; }
  // Bytes written and flushes so far, for a store that counts them.
  virtual std::optional<bench::CountingFileSystem::Totals> disk_totals() { return std::nullopt; }
};

// --- This engine, through the file statements ---------------------------

namespace qvl = dictionary::qvl;
namespace qvm = dictionary::qvm;

tps::TableDeclaration in_directory(tps::TableDeclaration d, const fs::path& dir) {
  d.file_name = (dir / d.file_name).string();
  return d;
}

class EngineStore final : public SchoolStore {
 public:
  // Every file the engine opens goes through `disk`, which counts and can
  // trace the disk work.
  EngineStore(const fs::path& dir, bench::CountingFileSystem& disk)
      : disk_(disk),
        replay_(dir.string()),
        materias_(in_directory(dictionary::qvmaterias_declaration(), dir)),
        libjar_(in_directory(dictionary::qvlibjar_declaration(), dir)) {}

  bool load(const school::Data& data) override {
    if (materias_.Create() || materias_.Share() || libjar_.Create() || libjar_.Share()) return false;
    if (platform::Logout(2, {&materias_, &libjar_})) return false;
    for (const school::SubjectRow& s : data.subjects) {
      school::fill_subject(materias_, s);
      if (materias_.Add()) return false;
    }
    for (const school::PupilRow& p : data.pupils) {
      school::fill_pupil(libjar_, p);
      if (libjar_.Add()) return false;
    }
    return platform::Commit() == 0;
  }
  bool add_one(const school::PupilRow& row) override {
    school::fill_pupil(libjar_, row);
    return libjar_.Add() == 0;
  }
  bool sign_in(int32_t dni) override {
    materias_.Clear();
    materias_.set_long(qvm::kDniDocente, dni);
    return materias_.Get(qvm::kClaveDniProfesor) == 0;
  }
  int subject_pupils(int32_t subject, size_t& bytes) override {
    libjar_.Clear();
    libjar_.set_long(qvl::kCodMateria, subject);
    if (libjar_.SetKeyKey(qvl::kClaveCodmateriaAlualfa)) return -1;
    int count = 0;
    while (libjar_.Next() == 0 && libjar_.get_long(qvl::kCodMateria) == subject) {
      bytes += libjar_.get_memo(qvl::kParrafo1A).size() + libjar_.get_memo(qvl::kParrafo1B).size();
      ++count;
    }
    return count;
  }
  // NOMEMO before each NEXT: the record buffer only, no memo read.
  int subject_records_only(int32_t subject) override {
    libjar_.Clear();
    libjar_.set_long(qvl::kCodMateria, subject);
    if (libjar_.SetKeyKey(qvl::kClaveCodmateriaAlualfa)) return -1;
    int count = 0;
    for (;; ++count) {
      libjar_.NoMemo();
      if (libjar_.Next() != 0 || libjar_.get_long(qvl::kCodMateria) != subject) break;
    }
    return count;
  }
  bool change_paragraph(int32_t record, const std::string& text) override {
    if (platform::Logout(2, {&libjar_})) return false;
    libjar_.set_long(qvl::kNroRegistro, record);
    if (libjar_.Get(qvl::kClavePrimaria)) return platform::Rollback(), false;
    libjar_.set_memo(qvl::kParrafo1A, text);
    if (libjar_.Put()) return platform::Rollback(), false;
    return platform::Commit() == 0;
  }
  int export_all(size_t& bytes) override {
    if (libjar_.SetFile()) return -1;
    int count = 0;
    while (libjar_.Next() == 0) {
      for (uint32_t m = 0; m < qvl::kMemoCount; ++m) bytes += libjar_.get_memo(m).size();
      bytes += libjar_.get_string(qvl::kAlumno).size();
      ++count;
    }
    return count;
  }
  // RECORDS reads a kept count: what is left is the reader lock, the header
  // read that shows other stations' commits, and the unlock.
  double one_call_micros() override {
    std::vector<double> times;
    for (int i = 0; i < kLookups; ++i) {
      const auto start = Clock::now();
      libjar_.Records();
      times.push_back(micros_since(start));
    }
    return median(times);
  }
  // Keys that are up to date are left alone unless FULLBUILD asks for all.
  bool rebuild_keys() override {
    libjar_.Send("FULLBUILD=on");
    const bool built = libjar_.Build() == 0;
    libjar_.Send("FULLBUILD=off");
    return built;
  }
  std::optional<bench::CountingFileSystem::Totals> disk_totals() override { return disk_.totals(); }
  void trace_disk() override { disk_.record(true); }
  std::optional<DiskReplay> replay_disk_trace() override {
    disk_.record(false);
    const std::vector<bench::DiskOperation> operations = disk_.take_operations();
    const double seconds = replay_.run(operations, disk_.paths());
    if (seconds < 0) {
      std::fprintf(stderr, "replay: %s\n", replay_.error().c_str());
      return std::nullopt;
    }
    DiskReplay replay{seconds * 1e6};
    for (const bench::DiskOperation& op : operations) {
      if (op.length == 0) ++replay.flushes;
      replay.bytes += op.length;
    }
    return replay;
  }

 private:
  bench::CountingFileSystem& disk_;
  bench::RawReplay replay_;
  platform::FileTable materias_;
  platform::FileTable libjar_;
};

// --- SQLite, same rows, same indexes --------------------------------------

class SqliteStore final : public SchoolStore {
 public:
  SqliteStore(const fs::path& dir, bool wal) {
    sqlite3_open((dir / "school.db").c_str(), &db_);
    exec(wal ? "PRAGMA journal_mode=WAL" : "PRAGMA journal_mode=DELETE");
    exec("PRAGMA synchronous=FULL");
  }
  ~SqliteStore() override {
    for (auto& [_, st] : statements_) sqlite3_finalize(st);
    sqlite3_close(db_);
  }

  bool load(const school::Data& data) override {
    for (const char* sql : school::kSqliteSchema) if (!exec(sql)) return false;
    exec("BEGIN");
    for (const school::SubjectRow& s : data.subjects) {
      sqlite3_stmt* st = prepare("INSERT INTO materias VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
      school::bind_subject(st, s);
      if (sqlite3_step(st) != SQLITE_DONE) return false;
      sqlite3_reset(st);
    }
    for (const school::PupilRow& p : data.pupils) if (!insert_pupil(p)) return false;
    return exec("COMMIT");
  }
  bool add_one(const school::PupilRow& row) override { return insert_pupil(row); }
  bool sign_in(int32_t dni) override {
    sqlite3_stmt* st = prepare("SELECT * FROM materias WHERE dni_docente=? LIMIT 1");
    sqlite3_bind_int(st, 1, dni);
    const bool found = sqlite3_step(st) == SQLITE_ROW;
    sqlite3_reset(st);
    return found;
  }
  int subject_pupils(int32_t subject, size_t& bytes) override {
    sqlite3_stmt* st = prepare("SELECT alumno, parrafo1a, parrafo1b FROM libjar WHERE cod_materia=? ORDER BY cod_materia, alumno");
    sqlite3_bind_int(st, 1, subject);
    int count = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      bytes += size_t(sqlite3_column_bytes(st, 1)) + size_t(sqlite3_column_bytes(st, 2));
      ++count;
    }
    sqlite3_reset(st);
    return count;
  }
  int subject_records_only(int32_t subject) override {
    sqlite3_stmt* st = prepare(
        "SELECT nro_registro, nro_legajo, nro_orden, sexo, alumno, cod_materia, materias, cod_curso, ingreso,"
        " operador, observacion1, observacion2, observacion3 FROM libjar WHERE cod_materia=?"
        " ORDER BY cod_materia, alumno");
    sqlite3_bind_int(st, 1, subject);
    int count = 0;
    while (sqlite3_step(st) == SQLITE_ROW) ++count;
    sqlite3_reset(st);
    return count;
  }
  bool change_paragraph(int32_t record, const std::string& text) override {
    exec("BEGIN IMMEDIATE");
    sqlite3_stmt* read = prepare("SELECT * FROM libjar WHERE nro_registro=?");
    sqlite3_bind_int(read, 1, record);
    const bool found = sqlite3_step(read) == SQLITE_ROW;
    sqlite3_reset(read);
    if (!found) return exec("ROLLBACK"), false;
    sqlite3_stmt* st = prepare("UPDATE libjar SET parrafo1a=? WHERE nro_registro=?");
    sqlite3_bind_text(st, 1, text.data(), int(text.size()), SQLITE_STATIC);
    sqlite3_bind_int(st, 2, record);
    const bool done = sqlite3_step(st) == SQLITE_DONE;
    sqlite3_reset(st);
    return exec("COMMIT") && done;
  }
  int export_all(size_t& bytes) override {
    sqlite3_stmt* st = prepare("SELECT * FROM libjar");
    int count = 0;
    const int columns = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
      for (int c = 13; c < columns; ++c) bytes += size_t(sqlite3_column_bytes(st, c));
      bytes += size_t(sqlite3_column_bytes(st, 4));
      ++count;
    }
    sqlite3_reset(st);
    return count;
  }
  bool rebuild_keys() override { return exec("REINDEX libjar"); }

 private:
  bool exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }
  sqlite3_stmt* prepare(const std::string& sql) {
    sqlite3_stmt*& st = statements_[sql];
    if (!st) sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr);
    return st;
  }
  bool insert_pupil(const school::PupilRow& p) {
    sqlite3_stmt* st = prepare("INSERT INTO libjar VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    school::bind_pupil(st, p);
    const bool done = sqlite3_step(st) == SQLITE_DONE;
    sqlite3_reset(st);
    return done;
  }

  sqlite3* db_ = nullptr;
  std::map<std::string, sqlite3_stmt*> statements_;
};

// --- The workloads, the same for every store ----------------------------

Figures run_workloads(SchoolStore& store, const school::Data& data, const fs::path& dir) {
  Figures f;
  std::mt19937 random(kSeed);
  // What a workload wrote to the disk, for a store that counts it: the
  // write volume the file format asks for, against the file's size.
  auto note_disk_work = [&](const std::string& workload, auto run) {
    const auto before = store.disk_totals();
    const bool ok = run();
    const auto after = store.disk_totals();
    if (before && after) {
      f[workload + ": MiB written"] = double(after->bytes_written - before->bytes_written) / (1 << 20);
      f[workload + ": flushes"] = double(after->flushes - before->flushes);
    }
    return ok;
  };
  auto start = Clock::now();
  if (!note_disk_work("bulk load", [&] { return store.load(data); })) {
    std::fprintf(stderr, "load failed\n");
    return f;
  }
  f["bulk load, one transaction (ms)"] = micros_since(start) / 1000;
  f["file size (MiB)"] = double(directory_bytes(dir)) / (1 << 20);

  // The subjects and teachers asked for are drawn before the timing, in the
  // same order for every store.
  auto draw_subjects = [&](int count) {
    std::vector<const school::SubjectRow*> drawn;
    for (int i = 0; i < count; ++i) drawn.push_back(&data.subjects[random() % data.subjects.size()]);
    return drawn;
  };
  const auto teachers = draw_subjects(kLookups);
  const double sign_in = median_micros(kLookups, "sign-in", [&](int i) {
    return store.sign_in(teachers[size_t(i)]->dni) || teachers[size_t(i)]->dni == 0;
  });
  if (sign_in < 0) return f;
  f["sign-in lookup (us)"] = sign_in;

  size_t bytes = 0;
  const auto subjects = draw_subjects(kSubjectReads);
  const double subject_read = median_micros(kSubjectReads, "subject read", [&](int i) {
    return store.subject_pupils(subjects[size_t(i)]->number, bytes) > 0;
  });
  if (subject_read < 0) return f;
  f["one subject's pupils, name order, 2 paragraphs (us)"] = subject_read;

  // The same subject over and over: what a teacher going back to the list
  // meets, with the pages already read.
  const int32_t again = draw_subjects(1).front()->number;
  const double same_again = median_micros(kSubjectReads, "subject read", [&](int) {
    return store.subject_pupils(again, bytes) > 0;
  });
  if (same_again < 0) return f;
  f["one subject's pupils, same subject again (us)"] = same_again;

  const auto others = draw_subjects(kSubjectReads);
  const double records_only = median_micros(kSubjectReads, "subject read", [&](int i) {
    return store.subject_records_only(others[size_t(i)]->number) > 0;
  });
  if (records_only < 0) return f;
  f["one subject's pupils, records without memos (us)"] = records_only;
  // Reading record by record, every NEXT is a call of its own with its
  // share of the sharing protocol: that share alone, for a subject and for
  // the export, is the floor no faster page code can go below.
  const double call = store.one_call_micros();
  if (call >= 0) {
    const double per_subject = double(data.pupils.size()) / double(data.subjects.size());
    f["one call, sharing protocol only (us)"] = call;
    f["one subject's pupils: protocol share alone (us)"] = call * (per_subject + 1);
    f["full export scan: protocol share alone (ms)"] = call * double(data.pupils.size() + 1) / 1000;
  }

  std::vector<const school::PupilRow*> changed;
  for (int i = 0; i < kParagraphChanges; ++i) changed.push_back(&data.pupils[random() % data.pupils.size()]);
  const double change = median_micros(kParagraphChanges, "paragraph change", [&](int i) {
    const school::PupilRow& p = *changed[size_t(i)];
    return store.change_paragraph(p.number, p.paragraph_a + " Actualizado.");
  });
  if (change < 0) return f;
  f["paragraph change, LOGOUT/PUT/COMMIT (us)"] = change;

  start = Clock::now();
  bytes = 0;
  if (store.export_all(bytes) != int(data.pupils.size())) { std::fprintf(stderr, "export failed\n"); return f; }
  f["full export scan (ms)"] = micros_since(start) / 1000;

  start = Clock::now();
  if (!note_disk_work("full key rebuild", [&] { return store.rebuild_keys(); })) {
    std::fprintf(stderr, "key rebuild failed\n");
    return f;
  }
  f["full key rebuild (ms)"] = micros_since(start) / 1000;

  std::vector<double> times, replays, flushes, kib;
  for (int i = 0; i < kOneCommitRecords; ++i) {
    school::PupilRow p = data.pupils[size_t(i) % data.pupils.size()];
    p.number = int32_t(data.pupils.size() + 1 + size_t(i));
    store.trace_disk();
    start = Clock::now();
    if (!store.add_one(p)) { std::fprintf(stderr, "one-commit add failed\n"); return f; }
    times.push_back(micros_since(start));
    if (const std::optional<SchoolStore::DiskReplay> replay = store.replay_disk_trace()) {
      replays.push_back(replay->micros);
      flushes.push_back(replay->flushes);
      kib.push_back(double(replay->bytes) / 1024);
    }
  }
  f["one commit per record (us)"] = median(times);
  if (!replays.empty()) {
    f["one commit per record: its writes+flushes raw (us)"] = median(replays);
    f["one commit per record: flushes"] = median(flushes);
    f["one commit per record: KiB written"] = median(kib);
  }
  return f;
}

// Runs `body` in a child; returns its figures plus its peak memory.
Figures in_child(const std::function<Figures()>& body) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    for (const auto& [name, value] : body()) dprintf(fds[1], "%s\t%.3f\n", name.c_str(), value);
    _exit(0);
  }
  close(fds[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
  close(fds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Figures f;
  for (size_t at = 0; at < text.size();) {
    const size_t tab = text.find('\t', at), end = text.find('\n', at);
    f[text.substr(at, tab - at)] = std::stod(text.substr(tab + 1, end - tab - 1));
    at = end + 1;
  }
  f["peak memory (MiB)"] = double(usage.ru_maxrss) / 1024;
  return f;
}

std::vector<int> parse_list(const std::string& text) {
  std::vector<int> out;
  for (size_t at = 0; at <= text.size();) {
    const size_t comma = std::min(text.find(',', at), text.size());
    out.push_back(std::stoi(text.substr(at, comma - at)));
    at = comma + 1;
  }
  return out;
}

// The disk's flush cost measured now, in the same directory, and the
// engine's one-record commit as a multiple of it.
void print_commit_against_disk(const fs::path& root, const Figures& engine) {
  const double commit_micros = engine.at("one commit per record (us)");
  const bench::FlushCost flush = bench::measure_flush(root.string(), kProbeFlushes);
  if (!flush.error.empty() || flush.median_seconds <= 0) {
    std::printf("disk: flush probe failed: %s\n", flush.error.c_str());
    return;
  }
  const double flush_micros = flush.median_seconds * 1e6;
  std::printf("disk: 4 KiB write + fdatasync median %.1f us; one commit per record = %.2f flushes "
              "(the two-phase commit needs %.0f)\n",
              flush_micros, commit_micros / flush_micros, kEngineFlushesPerCommit);
  const auto raw = engine.find("one commit per record: its writes+flushes raw (us)");
  if (raw != engine.end() && raw->second > 0)
    std::printf("disk: one commit per record = %.2f x its own writes and flushes done raw (%.0f us)\n",
                commit_micros / raw->second, raw->second);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: qv_school_bench DIR [--subjects=50,200,2000] [--pupils=100] [--engine-only]\n");
    return 2;
  }
  const fs::path root = argv[1];
  std::vector<int> sizes = {50, 200, 2000};
  int per_subject = 100;
  int store_count = 3;  // --engine-only: this engine alone, to compare two builds
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("--subjects=", 0) == 0) sizes = parse_list(a.substr(11));
    else if (a.rfind("--pupils=", 0) == 0) per_subject = std::stoi(a.substr(9));
    else if (a == "--engine-only") store_count = 1;
  }
  const char* stores[] = {"engine", "sqlite journal", "sqlite WAL"};
  for (int subjects : sizes) {
    std::map<std::string, Figures> by_store;
    for (int s = 0; s < store_count; ++s) {
      const fs::path dir = root / (std::to_string(subjects) + "-" + std::to_string(s));
      fs::remove_all(dir);
      fs::create_directories(dir);
      by_store[stores[s]] = in_child([&] {
        const school::Data data = school::make_data(subjects, per_subject);
        if (s == 0) {
          bench::CountingFileSystem disk;
          tps::FileRegistry::use_file_system(&disk);
          EngineStore store(dir, disk);
          return run_workloads(store, data, dir);
        }
        SqliteStore store(dir, s == 2);
        return run_workloads(store, data, dir);
      });
      fs::remove_all(dir);
    }
    std::printf("\n%d subjects, %d pupil records\n", subjects, subjects * per_subject);
    std::printf("%-52s %12s %14s %12s %8s\n", "workload", "engine", "sqlite journal", "sqlite WAL", "ratio");
    for (const auto& [name, value] : by_store["engine"]) {
      const double journal = by_store["sqlite journal"][name], wal = by_store["sqlite WAL"][name];
      const double best = std::min(journal, wal);
      if (journal == 0 && wal == 0) {
        std::printf("%-52s %12.1f %14s %12s %8s\n", name.c_str(), value, "-", "-", "-");
        continue;
      }
      std::printf("%-52s %12.1f %14.1f %12.1f %8.2f\n", name.c_str(), value, journal, wal, best > 0 ? value / best : 0);
    }
    print_commit_against_disk(root, by_store["engine"]);
    std::fflush(stdout);
  }
  return 0;
}
