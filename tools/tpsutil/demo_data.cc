#include "demo_data.h"

#include <algorithm>
#include <array>

#include "platform/text/code_pages.h"

namespace tpsutil::demo {

namespace {

// Written in UTF-8 here, held in code page 1252 like every record buffer.
std::string ansi(std::string_view utf8) { return text::ansi_from_utf8(utf8); }

constexpr std::array<const char*, 24> kGirls = {
    "Martina", "Sofía", "Valentina", "Catalina", "Emilia", "Isabella", "Mía", "Lucía",
    "Olivia", "Julieta", "Ámbar", "Zoe", "Renata", "Josefina", "Agustina", "Jazmín",
    "Malena", "Abril", "Pilar", "Inés", "Candela", "Ludmila", "Ailén", "Guadalupe"};
constexpr std::array<const char*, 24> kBoys = {
    "Benjamín", "Mateo", "Bautista", "Felipe", "Santino", "Joaquín", "Tomás", "Lautaro",
    "Thiago", "Ignacio", "Martín", "Agustín", "Nicolás", "Simón", "Valentín", "Julián",
    "Facundo", "Ramiro", "Gael", "León", "Benicio", "Dante", "Iñaki", "Máximo"};
constexpr std::array<const char*, 32> kSurnames = {
    "GONZÁLEZ", "RODRÍGUEZ", "GÓMEZ", "FERNÁNDEZ", "LÓPEZ", "DÍAZ", "MARTÍNEZ", "PÉREZ",
    "GARCÍA", "SÁNCHEZ", "ROMERO", "SOSA", "ÁLVAREZ", "TORRES", "RUIZ", "RAMÍREZ",
    "FLORES", "BENÍTEZ", "ACOSTA", "MEDINA", "HERRERA", "SUÁREZ", "AGUIRRE", "GIMÉNEZ",
    "MUÑOZ", "IBÁÑEZ", "PEÑA", "NÚÑEZ", "CASTAÑO", "ORDÓÑEZ", "BRIZUELA", "QUIROGA"};

const std::vector<std::string>& openings() {
  static const std::vector<std::string> lines = {
      "Muy buen cuatrimestre.",
      "Se integró al grupo con alegría.",
      "Progresa a su ritmo, con entusiasmo.",
  };
  return lines;
}

// Sentences a teacher writes about a pupil; "{n}" is the pupil's first name.
const std::vector<std::string>& sentences() {
  static const std::vector<std::string> lines = {
      "{n} llega a la sala con entusiasmo y saluda a sus compañeros y docentes.",
      "Participa en las rondas de intercambio, espera su turno para hablar y escucha a los demás.",
      "Reconoce su nombre escrito y el de algunos compañeros; comienza a escribirlo sin ayuda.",
      "En el juego dramático asume distintos roles y propone situaciones nuevas al grupo.",
      "Explora con interés los materiales de plástica: témperas, crayones, masa y papeles de colores.",
      "Cuenta objetos hasta diez y compara cantidades: dónde hay más, dónde hay menos.",
      "Disfruta de las canciones y los juegos rítmicos; acompaña con palmas y pequeños instrumentos.",
      "Comparte los juguetes y colabora en el orden de la sala al terminar cada actividad.",
      "En Educación Física corre, salta y trepa con seguridad, y respeta las consignas del juego.",
      "Escucha con atención los cuentos leídos por la señorita y anticipa lo que va a suceder.",
      "Reconoce las figuras geométricas básicas y las busca en los objetos de la sala.",
      "Necesita acompañamiento para resolver los pequeños conflictos con sus pares; lo va logrando.",
      "Se muestra curioso frente a los fenómenos naturales: preguntó por qué cae la lluvia y de dónde sale el arco iris.",
      "Cuida las plantas del patio y registra con dibujos cómo crecen las semillas que sembramos.",
      "Logró mayor autonomía en los hábitos de higiene y alimentación durante la merienda.",
      "Expresa sus emociones con palabras y pide ayuda cuando la necesita.",
      "Se sugiere continuar en casa con la lectura compartida de cuentos antes de dormir.",
      "Mostró un avance notable en la motricidad fina: recorta, pega y enhebra con precisión.",
  };
  return lines;
}

std::string with_name(std::string sentence, const std::string& first_name) {
  const size_t at = sentence.find("{n}");
  if (at != std::string::npos) sentence.replace(at, 3, first_name);
  return sentence;
}

}  // namespace

const std::vector<Teacher>& teachers() {
  static const std::vector<Teacher> list = {
      {101, ansi("FERNÁNDEZ, María Laura"), 28456123, 14, 3, 1981, "mlfernandez@escuela.edu.ar"},
      {102, ansi("GÓMEZ, Silvina Andrea"), 30112587, 2, 11, 1983, "sgomez@escuela.edu.ar"},
      {103, ansi("PEÑALOZA, Romina Inés"), 32789044, 27, 6, 1987, "rpenaloza@escuela.edu.ar"},
      {104, ansi("IBÁÑEZ, Carolina"), 25990312, 9, 1, 1977, "cibanez@escuela.edu.ar"},
      {105, ansi("MUÑOZ, Jorge Daniel"), 27341908, 30, 8, 1979, "jmunoz@escuela.edu.ar"},
      {0, ansi("A DESIGNAR"), 0, 0, 0, 0, ""},
  };
  return list;
}

const std::vector<Group>& groups() {
  static const std::vector<Group> list = {
      {3, "A", ansi("Mañana"), 301}, {4, "A", ansi("Mañana"), 401}, {5, "A", ansi("Mañana"), 501},
      {5, "B", ansi("Tarde"), 502},
  };
  return list;
}

std::vector<Subject> subjects(int count) {
  struct Name {
    const char* spanish;
    const char* english;
    int64_t hours;
  };
  static const Name kNames[] = {
      {"Sala - Área Integrada", "Integrated Area", 1500},
      {"Prácticas del Lenguaje", "Language Practices", 400},
      {"Matemática", "Mathematics", 400},
      {"Educación Musical", "Music", 150},
      {"Inglés", "English", 250},
      {"Plástica", "Visual Arts", 150},
      {"Ambiente Natural y Social", "Natural and Social Environment", 300},
  };
  const std::vector<Teacher>& staff = teachers();
  const size_t assigned = staff.size() - 1;  // the last one is "not assigned"
  // Of `count` records: one subject still waits for its teacher, a few are
  // the same subject taught by several teachers, the rest go round.
  const int shared = count > 0 ? std::min(int(groups().size()), (count - 1) / 3) : 0;
  const int regular = std::max(0, count - 1 - shared);
  std::vector<Subject> list;
  auto add = [&](const Name& name, const Teacher& teacher, const Group& group) {
    list.push_back(Subject{int32_t(list.size() + 1), ansi(name.spanish), name.english, &teacher, &group, name.hours});
  };
  for (int i = 0; i < regular; ++i)
    add(kNames[size_t(i) % std::size(kNames)], staff[size_t(i) % assigned], groups()[size_t(i) % groups().size()]);
  static const Name kShared = {"Educación Física", "Physical Education", 200};
  for (int g = 0; g < shared; ++g) add(kShared, staff[size_t(g + 1) % assigned], groups()[size_t(g)]);
  static const Name kWaiting = {"Taller de Títeres", "Puppet Workshop", 100};
  if (count > 0) add(kWaiting, staff.back(), groups().front());
  return list;
}

std::vector<Pupil> pupils(const Group& group, int count) {
  std::mt19937 random(uint32_t(group.course_code));
  std::vector<Pupil> list;
  for (int i = 0; i < count; ++i) {
    const bool girl = (random() % 2) == 0;
    const char* first = girl ? kGirls[random() % kGirls.size()] : kBoys[random() % kBoys.size()];
    const char* surname = kSurnames[random() % kSurnames.size()];
    list.push_back(Pupil{group.course_code * 100 + i + 1, ansi(std::string(surname) + ", " + first),
                         girl ? "Femenino" : "Masculino"});
  }
  return list;
}

std::string paragraph(std::mt19937& random, const std::string& first_name, int term) {
  // Some teachers write a line, others pages: from a few words to several
  // thousand characters, and never past the 5600 a paragraph holds.
  const uint32_t style = random() % 10;
  if (style == 0) return ansi(openings()[random() % openings().size()]);
  const size_t target = style < 5 ? 150 + random() % 450 : style < 9 ? 800 + random() % 1500 : 3000 + random() % 2300;
  std::string text = ansi(term == 1 ? "Durante el primer cuatrimestre, " : "En este segundo cuatrimestre, ");
  const std::vector<std::string>& bank = sentences();
  while (text.size() < target) {
    std::string sentence = ansi(with_name(bank[random() % bank.size()], first_name));
    if (text.size() + 1 + sentence.size() > 5500) break;
    text += (text.back() == ' ' ? "" : " ") + sentence;
  }
  return text;
}

std::string objectives(const Subject& subject) {
  return ansi("Objetivos de ") + subject.name +
         ansi(": favorecer la autonomía, el juego compartido y la expresión oral; acompañar a cada niño y niña "
              "en su propio recorrido de aprendizaje.");
}

}  // namespace tpsutil::demo
