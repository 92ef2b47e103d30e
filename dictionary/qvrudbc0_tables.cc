#include "dictionary/qvrudbc0_tables.h"

#include <initializer_list>
#include <string>

namespace dictionary {
namespace {

using tps::FieldDeclaration;
using tps::KeyComponent;
using tps::KeyDeclaration;
using tps::MemoDeclaration;
using tps::TableDeclaration;
using tps::single_field;
using tps::text_memo;
namespace field_type = tps::field_type;
namespace key_attr = tps::key_attr;
namespace table_attr = tps::table_attr;

// Both tables: the file may be created when missing, RECLAIM, one buffer set
// per thread, text stored in the OEM code page. No owner, no driver options.
constexpr uint8_t kTableAttributes = table_attr::kCreate | table_attr::kReclaim | table_attr::kThread | table_attr::kOem;

constexpr uint8_t kDupOpt = key_attr::kDup | key_attr::kOpt;
constexpr uint8_t kDupOptNoCase = key_attr::kDup | key_attr::kOpt | key_attr::kNoCase;
constexpr uint8_t kPrimaryOpt = key_attr::kPrimary | key_attr::kOpt;

FieldDeclaration long_field(const char* label, uint32_t offset) { return single_field(field_type::kLong, label, offset, 4); }
FieldDeclaration short_field(const char* label, uint32_t offset) { return single_field(field_type::kShort, label, offset, 2); }
FieldDeclaration date_field(const char* label, uint32_t offset) { return single_field(field_type::kDate, label, offset, 4); }
FieldDeclaration string_field(const char* label, uint32_t offset, uint32_t length) {
  return single_field(field_type::kString, label, offset, length);
}

// DECIMAL(digits, places): packed, one sign half-byte and one half-byte per digit.
FieldDeclaration decimal_field(const char* label, uint32_t offset, uint32_t digits, uint8_t places) {
  FieldDeclaration field = single_field(field_type::kDecimal, label, offset, digits / 2 + 1);
  field.decimal_places = places;
  return field;
}

// Components are given as field indexes; a negative value -(i + 1) marks
// field i descending.
KeyDeclaration key(const char* label, uint8_t attributes, std::initializer_list<int> components) {
  KeyDeclaration declared;
  declared.label = label;
  declared.attributes = attributes;
  for (int component : components) {
    const bool descending = component < 0;
    declared.components.push_back(
        KeyComponent{static_cast<uint32_t>(descending ? -component - 1 : component), descending});
  }
  return declared;
}

constexpr int descending(uint32_t field) { return -static_cast<int>(field) - 1; }

TableDeclaration table(const char* label, const char* prefix, const char* file_name, uint32_t record_length) {
  TableDeclaration declared;
  declared.label = label;
  declared.prefix = prefix;
  declared.file_name = file_name;
  declared.attributes = kTableAttributes;
  declared.record_length = record_length;
  return declared;
}

TableDeclaration make_qvlibjar() {
  using namespace qvl;
  TableDeclaration t = table("QVLIBJAR", "QVL", "QVLIBJAR.TPS", kRecordSize);
  t.fields = {
      long_field("QVL:NRO_REGISTRO", 0),
      long_field("QVL:NRO_LEGAJO", 4),
      short_field("QVL:NRO_ORDEN", 8),
      string_field("QVL:SEXO", 10, 10),
      string_field("QVL:ALUMNO", 20, 30),
      long_field("QVL:COD_MATERIA", 50),
      string_field("QVL:MATERIAS", 54, 60),
      long_field("QVL:COD_CURSO", 114),
      string_field("QVL:INGRESO", 118, 10),
      string_field("QVL:OPERADOR", 128, 20),
      string_field("QVL:OBSERVACION1", 148, 35),
      string_field("QVL:OBSERVACION2", 183, 35),
      string_field("QVL:OBSERVACION3", 218, 35),
  };
  t.memos = {
      text_memo("QVL:OBJETIVO1A", 5000), text_memo("QVL:OBJETIVO1B", 5000),
      text_memo("QVL:PARRAFO1A", 5600),  text_memo("QVL:PARRAFO1B", 5600),
      text_memo("QVL:PARRAFO1C", 5600),  text_memo("QVL:PARRAFO1D", 5600),
      text_memo("QVL:PARRAFO1E", 5600),  text_memo("QVL:PARRAFO1F", 5600),
  };
  t.keys = {
      key("QVL:CLAVE_PRIMARIA", kPrimaryOpt, {kNroRegistro}),
      key("QVL:CLAVE_LEGAJO_ORDEN_MATERIA", kDupOpt, {kNroLegajo, kNroOrden, kCodMateria}),
      key("QVL:CLAVE_COD_MATERIA", kDupOpt, {kCodMateria}),
      key("QVL:CLAVE_ALFA_MATERIAS", kDupOpt, {kMaterias, kCodMateria}),
      key("QVL:CLAVE_MATERIA_REGISTRO_LEGAJO", kDupOpt, {kCodMateria, kNroRegistro, kNroLegajo}),
      key("QVL:CLAVE_MATERIA_LEGAJO", kDupOptNoCase, {kCodMateria, kNroLegajo}),
      key("QVL:CLAVE_MATERIA_SEXO_ALUMNO", kDupOpt, {kCodMateria, kSexo, kAlumno}),
      key("QVL:CLAVE_MATERIA_SEXO_ALUMNO2", kDupOptNoCase, {kCodMateria, descending(kSexo), kAlumno}),
      key("QVL:CLAVE_CODMATERIA_ALUALFA", kDupOpt, {kCodMateria, kAlumno}),
      key("QVL:CLAVE_PROMEDIAEN_LEGAJO", kDupOptNoCase, {kNroLegajo}),
      key("QVL:CLAVE_LEGAJO_ESTADO_ORDEN_CMATERIA", kDupOptNoCase, {kNroLegajo, kNroOrden, kCodMateria}),
  };
  return t;
}

TableDeclaration make_qvmaterias() {
  using namespace qvm;
  TableDeclaration t = table("QVMATERIAS", "QVM", "QVMaterias.TPS", kRecordSize);
  t.fields = {
      long_field("QVM:NRO_REGISTRO", 0),
      short_field("QVM:NRO_ORDEN", 4),
      string_field("QVM:MATERIA", 6, 60),
      string_field("QVM:BILINGUE_MATERIA", 66, 50),
      string_field("QVM:TIPO", 116, 10),
      string_field("QVM:TIPO_LENGUAJE", 126, 10),
      long_field("QVM:COD_PROFESOR", 136),
      string_field("QVM:PROFESOR", 140, 50),
      long_field("QVM:COD_CURSO", 190),
      string_field("QVM:SEXO", 194, 20),
      decimal_field("QVM:HORAS", 214, 5, 2),
      string_field("QVM:SINPROMEDIO", 217, 4),
      string_field("QVM:PROMEDIOGRAL", 221, 4),
      string_field("QVM:VINCULANTE", 225, 4),
      string_field("QVM:CONTENIDOSACTITUDINALES", 229, 2),
      string_field("QVM:INTEGRADORA", 231, 2),
      string_field("QVM:MATERIASCORRELATIVAS", 233, 120),
      long_field("QVM:PROMEDIAEN", 353),
      short_field("QVM:CANTIDADMATEPROM", 357),
      string_field("QVM:CICLO", 359, 30),
      short_field("QVM:CURSO", 389),
      string_field("QVM:DIVISION", 391, 4),
      string_field("QVM:ESPECIALIDAD", 395, 40),
      string_field("QVM:TURNO", 435, 20),
      string_field("QVM:MAIL_PEN_DRIVE", 455, 60),
      long_field("QVM:DNI_DOCENTE", 515),
      date_field("QVM:QVP_FECHANAC", 519),
  };
  t.memos = {text_memo("QVM:OBJETIVO", 4000)};
  // No PRIMARY key: even the principal key allows duplicates.
  t.keys = {
      key("QVM:CLAVE_PRINCIPAL", kDupOptNoCase, {kNroRegistro}),
      key("QVM:CLAVE_CURSO", kDupOpt, {kCodCurso}),
      key("QVM:CLAVE_PROFESOR", kDupOpt, {kCodProfesor, kMateria}),
      key("QVM:CLAVE_ALFA", kDupOpt, {kMateria}),
      key("QVM:CLAVE_PROFESOR_CURSO", kDupOpt, {kCodProfesor, kCodCurso}),
      key("QVM:CLAVE_MATERIA_SEXO", kDupOpt, {kMateria, kSexo}),
      key("QVM:CLAVE_CURSO_ORDEN_CODIGO", kDupOptNoCase, {kCodCurso, kNroOrden, kNroRegistro}),
      key("QVM:CLAVE_PROMEDIA", kDupOptNoCase, {kPromediaen, kNroRegistro}),
      key("QVM:CLAVE_CURSO_MATERIA", kDupOptNoCase, {kCodCurso, kMateria}),
      key("QVM:CLAVE_CODMATERIA_CODPROFESOR", kDupOpt, {kNroRegistro, kCodProfesor}),
      key("QVM:CLAVE_DNI_PROFESOR", kDupOptNoCase, {kDniDocente}),
  };
  return t;
}

}  // namespace

const TableDeclaration& qvlibjar_declaration() {
  static const TableDeclaration declaration = make_qvlibjar();
  return declaration;
}

const TableDeclaration& qvmaterias_declaration() {
  static const TableDeclaration declaration = make_qvmaterias();
  return declaration;
}

}  // namespace dictionary
