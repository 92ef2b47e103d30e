#include "demo_command.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <ostream>

#include "demo_data.h"
#include "dictionary/qvrudbc0_tables.h"
#include "platform/files/current_error.h"
#include "platform/files/file_table.h"
#include "platform/text/code_pages.h"

namespace tpsutil {

namespace {

namespace qvl = dictionary::qvl;
namespace qvm = dictionary::qvm;
using platform::FileTable;

// Seconds a transaction waits for a file that another station is changing.
constexpr int32_t kTransactionSeconds = 2;
constexpr uint32_t kSeed = 2022;

void usage(std::ostream& err) {
  err << "usage: tpsutil demo DIR [--subjects N] [--pupils M]\n"
         "  writes QVMaterias.TPS (N subjects, default " << kDemoDefaultSubjects
      << ") and QVLIBJAR.TPS (M pupils per subject, default " << kDemoDefaultPupils << ") into DIR\n";
}

bool parse_count(const std::string& text, int& out) {
  try {
    size_t used = 0;
    const int value = std::stoi(text, &used);
    if (used != text.size() || value < 0 || value > 10000) return false;
    out = value;
    return true;
  } catch (...) {
    return false;
  }
}

tps::TableDeclaration in_directory(tps::TableDeclaration declaration, const std::string& directory) {
  declaration.file_name = (std::filesystem::path(directory) / declaration.file_name).string();
  return declaration;
}

std::string utf8(const std::string& ansi) { return text::utf8_from_ansi(ansi); }

// Reports a failed statement and returns the demo's failure code.
int failed(Output io, const char* what) {
  io.err << "tpsutil demo: " << what << ": " << platform::Error() << " (" << platform::ErrorCode() << ")";
  if (!platform::FileError().empty()) io.err << " " << platform::FileError() << " " << platform::FileErrorCode();
  io.err << "\n";
  return kExitDemoFailed;
}

void fill_subject(FileTable& t, const demo::Subject& s, int order) {
  const demo::Teacher& teacher = *s.teacher;
  const demo::Group& group = *s.group;
  t.Clear();
  t.set_long(qvm::kNroRegistro, s.number);
  t.set_short(qvm::kNroOrden, int16_t(order));
  t.set_string(qvm::kMateria, s.name);
  t.set_string(qvm::kBilingueMateria, s.second_language_name);
  t.set_string(qvm::kTipo, "Curricular");
  t.set_string(qvm::kTipoLenguaje, s.second_language_name == "English" ? text::ansi_from_utf8("Inglés") : "Castellano");
  t.set_long(qvm::kCodProfesor, teacher.code);
  t.set_string(qvm::kProfesor, teacher.name);
  t.set_long(qvm::kCodCurso, group.course_code);
  t.set_string(qvm::kSexo, "Mixto");
  t.set_decimal(qvm::kHoras, s.hours);
  t.set_string(qvm::kSinpromedio, "SI");
  t.set_string(qvm::kPromediogral, "NO");
  t.set_string(qvm::kVinculante, "NO");
  t.set_string(qvm::kContenidosactitudinales, "SI");
  t.set_string(qvm::kIntegradora, "NO");
  t.set_string(qvm::kCiclo, "Nivel Inicial");
  t.set_short(qvm::kCurso, group.course);
  t.set_string(qvm::kDivision, group.division);
  t.set_string(qvm::kEspecialidad, text::ansi_from_utf8("Jardín de Infantes"));
  t.set_string(qvm::kTurno, group.shift);
  t.set_string(qvm::kMailPenDrive, teacher.mail);
  t.set_long(qvm::kDniDocente, teacher.dni);
  t.set_date(qvm::kQvpFechanac, platform::Date{teacher.birth_day, teacher.birth_month, teacher.birth_year});
  t.set_memo(qvm::kObjetivo, demo::objectives(s));
}

void fill_pupil(FileTable& t, const demo::Subject& s, const demo::Pupil& p, int32_t number, int order,
                std::mt19937& random) {
  const std::string first_name = p.name.substr(p.name.find(", ") + 2);
  t.Clear();
  t.set_long(qvl::kNroRegistro, number);
  t.set_long(qvl::kNroLegajo, p.file_number);
  t.set_short(qvl::kNroOrden, int16_t(order));
  t.set_string(qvl::kSexo, p.sex);
  t.set_string(qvl::kAlumno, p.name);
  t.set_long(qvl::kCodMateria, s.number);
  t.set_string(qvl::kMaterias, s.name);
  t.set_long(qvl::kCodCurso, s.group->course_code);
  t.set_string(qvl::kIngreso, "03/2022");
  t.set_string(qvl::kOperador, text::ansi_from_utf8("Secretaría"));
  if (random() % 4 == 0) t.set_string(qvl::kObservacion1, text::ansi_from_utf8("Presenta certificado de vacunación."));
  t.set_memo(qvl::kObjetivo1A, demo::objectives(s));
  t.set_memo(qvl::kObjetivo1B, demo::objectives(s));
  t.set_memo(qvl::kParrafo1A, demo::paragraph(random, first_name, 1));
  t.set_memo(qvl::kParrafo1B, demo::paragraph(random, first_name, 2));
}

// Writes the subjects in one transaction.
int write_subjects(FileTable& table, const std::vector<demo::Subject>& subjects, Output io) {
  if (table.Create() != 0) return failed(io, "creating QVMaterias.TPS");
  if (table.Share() != 0) return failed(io, "opening QVMaterias.TPS");
  if (platform::Logout(kTransactionSeconds, {&table}) != 0) return failed(io, "starting the transaction");
  for (size_t i = 0; i < subjects.size(); ++i) {
    fill_subject(table, subjects[i], int(i + 1));
    if (table.Add() != 0) {
      const int code = failed(io, "adding a subject");
      platform::Rollback();
      return code;
    }
  }
  if (platform::Commit() != 0) return failed(io, "committing the subjects");
  return table.Close() != 0 ? failed(io, "closing QVMaterias.TPS") : 0;
}

// Writes each subject's pupils in a transaction of their own.
int write_pupils(FileTable& table, const std::vector<demo::Subject>& subjects, int per_subject, Output io) {
  if (table.Create() != 0) return failed(io, "creating QVLIBJAR.TPS");
  if (table.Share() != 0) return failed(io, "opening QVLIBJAR.TPS");
  std::mt19937 random(kSeed);
  int32_t number = 0;
  for (const demo::Subject& subject : subjects) {
    if (platform::Logout(kTransactionSeconds, {&table}) != 0) return failed(io, "starting the transaction");
    const std::vector<demo::Pupil> pupils = demo::pupils(*subject.group, per_subject);
    for (size_t i = 0; i < pupils.size(); ++i) {
      fill_pupil(table, subject, pupils[i], ++number, int(i + 1), random);
      if (table.Add() != 0) {
        const int code = failed(io, "adding a pupil");
        platform::Rollback();
        return code;
      }
    }
    if (platform::Commit() != 0) return failed(io, "committing the pupils");
  }
  return table.Close() != 0 ? failed(io, "closing QVLIBJAR.TPS") : 0;
}

void print_teachers(const std::vector<demo::Subject>& subjects, Output io) {
  std::map<int32_t, int> taught;
  for (const demo::Subject& subject : subjects) ++taught[subject.teacher->dni];
  io.out << "Docentes (ingresan con su DNI; la clave es su fecha de nacimiento):\n";
  for (const demo::Teacher& teacher : demo::teachers()) {
    if (teacher.dni == 0 || taught[teacher.dni] == 0) continue;
    char line[128];
    std::snprintf(line, sizeof line, "  DNI %-10d clave %02u/%02u/%04u   ", teacher.dni, unsigned(teacher.birth_day),
                  unsigned(teacher.birth_month), unsigned(teacher.birth_year));
    io.out << line << utf8(teacher.name) << " (" << taught[teacher.dni] << " materia"
           << (taught[teacher.dni] == 1 ? "" : "s") << ")\n";
  }
}

}  // namespace

int demo_command(const std::vector<std::string>& args, Output io) {
  std::string directory;
  int subject_count = kDemoDefaultSubjects;
  int pupil_count = kDemoDefaultPupils;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "--subjects" || a == "--pupils") && i + 1 < args.size()) {
      if (!parse_count(args[++i], a == "--subjects" ? subject_count : pupil_count)) {
        usage(io.err);
        return kExitUsage;
      }
    } else if (directory.empty() && a.rfind("--", 0) != 0) {
      directory = a;
    } else {
      usage(io.err);
      return kExitUsage;
    }
  }
  if (directory.empty()) {
    usage(io.err);
    return kExitUsage;
  }
  std::error_code made;
  std::filesystem::create_directories(directory, made);
  if (!std::filesystem::is_directory(directory)) {
    io.err << "tpsutil demo: " << directory << " is not a directory\n";
    return kExitDemoFailed;
  }

  const std::vector<demo::Subject> subjects = demo::subjects(subject_count);
  FileTable materias(in_directory(dictionary::qvmaterias_declaration(), directory));
  FileTable libjar(in_directory(dictionary::qvlibjar_declaration(), directory));
  if (int code = write_subjects(materias, subjects, io)) return code;
  if (int code = write_pupils(libjar, subjects, pupil_count, io)) return code;

  io.out << directory << ": " << subjects.size() << " materias en QVMaterias.TPS, "
         << subjects.size() * size_t(pupil_count) << " registros de alumnos en QVLIBJAR.TPS\n";
  print_teachers(subjects, io);
  return kExitOk;
}

}  // namespace tpsutil
