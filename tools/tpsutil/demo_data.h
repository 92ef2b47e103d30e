// Invented data for the demo tables: teachers, subjects of the
// kindergarten level and their pupils, with progress paragraphs. Text is
// in the Windows code page (1252), as the record buffers hold it.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tpsutil::demo {

struct Teacher {
  int32_t code;         // QVM:COD_PROFESOR
  std::string name;     // "Apellido, Nombre"
  int32_t dni;          // 0: the subject has no teacher assigned yet
  uint8_t birth_day, birth_month;
  uint16_t birth_year;
  std::string mail;
};

struct Group {
  int16_t course;        // the room's age: 3, 4 or 5
  std::string division;  // "A", "B"
  std::string shift;     // "Mañana", "Tarde"
  int32_t course_code;   // QVM:COD_CURSO / QVL:COD_CURSO
};

struct Subject {
  int32_t number;        // QVM:NRO_REGISTRO
  std::string name;
  std::string second_language_name;
  const Teacher* teacher;
  const Group* group;
  int64_t hours;         // in hundredths
};

struct Pupil {
  int32_t file_number;   // QVL:NRO_LEGAJO
  std::string name;      // "APELLIDO, Nombre"
  std::string sex;       // "Femenino", "Masculino"
};

// The teachers; the last one stands for "not assigned" (DNI 0).
const std::vector<Teacher>& teachers();
const std::vector<Group>& groups();

// `count` subjects over the groups. Every teacher but the unassigned one
// gets subjects; one subject name is taught by several teachers, and the
// first subject past the teachers' share has no teacher (DNI 0).
std::vector<Subject> subjects(int count);

// `count` pupils of a group; the same group always gives the same pupils.
std::vector<Pupil> pupils(const Group& group, int count);

// A progress paragraph of a term, from a few words to several thousand
// characters.
std::string paragraph(std::mt19937& random, const std::string& first_name, int term);
// The subject's objectives.
std::string objectives(const Subject& subject);

}  // namespace tpsutil::demo
