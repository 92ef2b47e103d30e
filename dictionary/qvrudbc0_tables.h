// The program's two tables, QVLIBJAR (pupil progress records) and QVMATERIAS
// (subjects and their teachers), declared exactly as the table files carry
// them. The files are shared with the school-administration system, so field
// order, types, widths, memo sizes, keys and their order are fixed.
//
// Positions below are 0-based indexes into the declaration's lists; the
// engine's key number is the key's index.
#pragma once

#include <cstdint>

#include "tps/table/declaration.h"

namespace dictionary {

// The declaration of QVLIBJAR: file "QVLIBJAR.TPS", 253-byte record.
const tps::TableDeclaration& qvlibjar_declaration();
// The declaration of QVMATERIAS: file "QVMaterias.TPS", 523-byte record.
const tps::TableDeclaration& qvmaterias_declaration();

namespace qvl {
inline constexpr uint32_t kRecordSize = 253;

enum Field : uint32_t {
  kNroRegistro, kNroLegajo, kNroOrden, kSexo, kAlumno, kCodMateria, kMaterias,
  kCodCurso, kIngreso, kOperador, kObservacion1, kObservacion2, kObservacion3,
  kFieldCount
};

enum Memo : uint32_t {
  kObjetivo1A, kObjetivo1B, kParrafo1A, kParrafo1B, kParrafo1C, kParrafo1D, kParrafo1E, kParrafo1F,
  kMemoCount
};

enum Key : uint32_t {
  kClavePrimaria, kClaveLegajoOrdenMateria, kClaveCodMateria, kClaveAlfaMaterias,
  kClaveMateriaRegistroLegajo, kClaveMateriaLegajo, kClaveMateriaSexoAlumno,
  kClaveMateriaSexoAlumno2, kClaveCodmateriaAlualfa, kClavePromediaenLegajo,
  kClaveLegajoEstadoOrdenCmateria,
  kKeyCount
};
}  // namespace qvl

namespace qvm {
inline constexpr uint32_t kRecordSize = 523;

enum Field : uint32_t {
  kNroRegistro, kNroOrden, kMateria, kBilingueMateria, kTipo, kTipoLenguaje, kCodProfesor,
  kProfesor, kCodCurso, kSexo, kHoras, kSinpromedio, kPromediogral, kVinculante,
  kContenidosactitudinales, kIntegradora, kMateriascorrelativas, kPromediaen,
  kCantidadmateprom, kCiclo, kCurso, kDivision, kEspecialidad, kTurno, kMailPenDrive,
  kDniDocente, kQvpFechanac,
  kFieldCount
};

enum Memo : uint32_t { kObjetivo, kMemoCount };

enum Key : uint32_t {
  kClavePrincipal, kClaveCurso, kClaveProfesor, kClaveAlfa, kClaveProfesorCurso,
  kClaveMateriaSexo, kClaveCursoOrdenCodigo, kClavePromedia, kClaveCursoMateria,
  kClaveCodmateriaCodprofesor, kClaveDniProfesor,
  kKeyCount
};
}  // namespace qvm

}  // namespace dictionary
