#include "school_rows.h"

#include <random>

#include "dictionary/qvrudbc0_tables.h"

namespace school {

namespace demo = tpsutil::demo;
namespace qvl = dictionary::qvl;
namespace qvm = dictionary::qvm;

namespace {
constexpr uint32_t kSeed = 2022;

std::string first_name(const std::string& name) {
  const size_t comma = name.find(", ");
  return comma == std::string::npos ? name : name.substr(comma + 2);
}
}  // namespace

Data make_data(int subjects, int per_subject) {
  Data data;
  std::mt19937 random(kSeed);
  int16_t order = 0;
  for (const demo::Subject& s : demo::subjects(subjects))
    data.subjects.push_back({s, ++order, s.number, s.teacher->dni, demo::objectives(s)});
  int32_t number = 0;
  for (const SubjectRow& row : data.subjects) {
    const demo::Subject& s = row.subject;
    int16_t place = 0;
    for (const demo::Pupil& p : demo::pupils(*s.group, per_subject)) {
      PupilRow r{++number, p.file_number, ++place, p.sex, p.name, s.number, s.name, s.group->course_code,
                 random() % 4 == 0 ? "Presenta certificado de vacunacion." : "", row.objectives, "", ""};
      r.paragraph_a = demo::paragraph(random, first_name(p.name), 1);
      r.paragraph_b = demo::paragraph(random, first_name(p.name), 2);
      data.pupils.push_back(std::move(r));
    }
  }
  return data;
}

void fill_subject(platform::FileTable& t, const SubjectRow& row) {
  const demo::Subject& s = row.subject;
  const demo::Teacher& teacher = *s.teacher;
  const demo::Group& group = *s.group;
  t.Clear();
  t.set_long(qvm::kNroRegistro, s.number);
  t.set_short(qvm::kNroOrden, row.order);
  t.set_string(qvm::kMateria, s.name);
  t.set_string(qvm::kBilingueMateria, s.second_language_name);
  t.set_string(qvm::kTipo, "Curricular");
  t.set_string(qvm::kTipoLenguaje, "Castellano");
  t.set_long(qvm::kCodProfesor, teacher.code);
  t.set_string(qvm::kProfesor, teacher.name);
  t.set_long(qvm::kCodCurso, group.course_code);
  t.set_string(qvm::kSexo, "Mixto");
  t.set_decimal(qvm::kHoras, s.hours);
  t.set_string(qvm::kSinpromedio, "SI");
  t.set_string(qvm::kCiclo, "Nivel Inicial");
  t.set_short(qvm::kCurso, group.course);
  t.set_string(qvm::kDivision, group.division);
  t.set_string(qvm::kTurno, group.shift);
  t.set_string(qvm::kMailPenDrive, teacher.mail);
  t.set_long(qvm::kDniDocente, teacher.dni);
  t.set_date(qvm::kQvpFechanac, platform::Date{teacher.birth_day, teacher.birth_month, teacher.birth_year});
  t.set_memo(qvm::kObjetivo, row.objectives);
}

void fill_pupil(platform::FileTable& t, const PupilRow& row) {
  t.Clear();
  t.set_long(qvl::kNroRegistro, row.number);
  t.set_long(qvl::kNroLegajo, row.file_number);
  t.set_short(qvl::kNroOrden, row.order);
  t.set_string(qvl::kSexo, row.sex);
  t.set_string(qvl::kAlumno, row.name);
  t.set_long(qvl::kCodMateria, row.subject);
  t.set_string(qvl::kMaterias, row.subject_name);
  t.set_long(qvl::kCodCurso, row.course_code);
  t.set_string(qvl::kIngreso, "03/2022");
  t.set_string(qvl::kOperador, "Secretaria");
  t.set_string(qvl::kObservacion1, row.remark);
  t.set_memo(qvl::kObjetivo1A, row.objectives);
  t.set_memo(qvl::kObjetivo1B, row.objectives);
  t.set_memo(qvl::kParrafo1A, row.paragraph_a);
  t.set_memo(qvl::kParrafo1B, row.paragraph_b);
}

const std::vector<const char*> kSqliteSchema = {
    "CREATE TABLE materias(nro_registro INTEGER, nro_orden INTEGER, materia TEXT, bilingue_materia TEXT,"
    " tipo TEXT, tipo_lenguaje TEXT, cod_profesor INTEGER, profesor TEXT, cod_curso INTEGER, sexo TEXT,"
    " horas INTEGER, sinpromedio TEXT, promediogral TEXT, vinculante TEXT, contenidosactitudinales TEXT,"
    " integradora TEXT, materiascorrelativas TEXT, promediaen INTEGER, cantidadmateprom INTEGER, ciclo TEXT,"
    " curso INTEGER, division TEXT, especialidad TEXT, turno TEXT, mail_pen_drive TEXT, dni_docente INTEGER,"
    " qvp_fechanac INTEGER, objetivo TEXT)",
    "CREATE INDEX m_principal ON materias(nro_registro)",
    "CREATE INDEX m_curso ON materias(cod_curso)",
    "CREATE INDEX m_profesor ON materias(cod_profesor, materia)",
    "CREATE INDEX m_alfa ON materias(materia)",
    "CREATE INDEX m_profesor_curso ON materias(cod_profesor, cod_curso)",
    "CREATE INDEX m_materia_sexo ON materias(materia, sexo)",
    "CREATE INDEX m_curso_orden_codigo ON materias(cod_curso, nro_orden, nro_registro)",
    "CREATE INDEX m_promedia ON materias(promediaen, nro_registro)",
    "CREATE INDEX m_curso_materia ON materias(cod_curso, materia COLLATE NOCASE)",
    "CREATE INDEX m_codmateria_codprofesor ON materias(nro_registro, cod_profesor)",
    "CREATE INDEX m_dni_profesor ON materias(dni_docente)",
    "CREATE TABLE libjar(nro_registro INTEGER PRIMARY KEY, nro_legajo INTEGER, nro_orden INTEGER, sexo TEXT,"
    " alumno TEXT, cod_materia INTEGER, materias TEXT, cod_curso INTEGER, ingreso TEXT, operador TEXT,"
    " observacion1 TEXT, observacion2 TEXT, observacion3 TEXT, objetivo1a TEXT, objetivo1b TEXT,"
    " parrafo1a TEXT, parrafo1b TEXT, parrafo1c TEXT, parrafo1d TEXT, parrafo1e TEXT, parrafo1f TEXT)",
    "CREATE INDEX l_legajo_orden_materia ON libjar(nro_legajo, nro_orden, cod_materia)",
    "CREATE INDEX l_cod_materia ON libjar(cod_materia)",
    "CREATE INDEX l_alfa_materias ON libjar(materias, cod_materia)",
    "CREATE INDEX l_materia_registro_legajo ON libjar(cod_materia, nro_registro, nro_legajo)",
    "CREATE INDEX l_materia_legajo ON libjar(cod_materia, nro_legajo)",
    "CREATE INDEX l_materia_sexo_alumno ON libjar(cod_materia, sexo, alumno)",
    "CREATE INDEX l_materia_sexo_alumno2 ON libjar(cod_materia, sexo COLLATE NOCASE DESC, alumno COLLATE NOCASE)",
    "CREATE INDEX l_codmateria_alualfa ON libjar(cod_materia, alumno)",
    "CREATE INDEX l_promediaen_legajo ON libjar(nro_legajo)",
    "CREATE INDEX l_legajo_estado_orden_cmateria ON libjar(nro_legajo, nro_orden, cod_materia)",
};

namespace {
void bind_text(sqlite3_stmt* st, int column, const std::string& text) {
  sqlite3_bind_text(st, column, text.data(), int(text.size()), SQLITE_STATIC);
}
}  // namespace

void bind_subject(sqlite3_stmt* st, const SubjectRow& row) {
  const demo::Subject& s = row.subject;
  const demo::Teacher& teacher = *s.teacher;
  const demo::Group& group = *s.group;
  sqlite3_clear_bindings(st);
  sqlite3_bind_int(st, 1, s.number);
  sqlite3_bind_int(st, 2, row.order);
  bind_text(st, 3, s.name);
  bind_text(st, 4, s.second_language_name);
  sqlite3_bind_text(st, 5, "Curricular", -1, SQLITE_STATIC);
  sqlite3_bind_text(st, 6, "Castellano", -1, SQLITE_STATIC);
  sqlite3_bind_int(st, 7, teacher.code);
  bind_text(st, 8, teacher.name);
  sqlite3_bind_int(st, 9, group.course_code);
  sqlite3_bind_text(st, 10, "Mixto", -1, SQLITE_STATIC);
  sqlite3_bind_int64(st, 11, s.hours);
  sqlite3_bind_text(st, 12, "SI", -1, SQLITE_STATIC);
  sqlite3_bind_text(st, 20, "Nivel Inicial", -1, SQLITE_STATIC);
  sqlite3_bind_int(st, 21, group.course);
  bind_text(st, 22, group.division);
  bind_text(st, 24, group.shift);
  bind_text(st, 25, teacher.mail);
  sqlite3_bind_int(st, 26, teacher.dni);
  sqlite3_bind_int(st, 27, teacher.birth_year * 10000 + teacher.birth_month * 100 + teacher.birth_day);
  bind_text(st, 28, row.objectives);
}

void bind_pupil(sqlite3_stmt* st, const PupilRow& row) {
  sqlite3_clear_bindings(st);
  sqlite3_bind_int(st, 1, row.number);
  sqlite3_bind_int(st, 2, row.file_number);
  sqlite3_bind_int(st, 3, row.order);
  bind_text(st, 4, row.sex);
  bind_text(st, 5, row.name);
  sqlite3_bind_int(st, 6, row.subject);
  bind_text(st, 7, row.subject_name);
  sqlite3_bind_int(st, 8, row.course_code);
  sqlite3_bind_text(st, 9, "03/2022", -1, SQLITE_STATIC);
  sqlite3_bind_text(st, 10, "Secretaria", -1, SQLITE_STATIC);
  bind_text(st, 11, row.remark);
  bind_text(st, 14, row.objectives);
  bind_text(st, 15, row.objectives);
  bind_text(st, 16, row.paragraph_a);
  bind_text(st, 17, row.paragraph_b);
}

}  // namespace school
