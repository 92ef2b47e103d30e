#include "bench/key_rows.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>

namespace bench {

namespace {

// Multiplying by an odd constant is a bijection of 32-bit values: every
// index gets its own number, spread over the whole range.
constexpr uint32_t kNumberSpread = 2654435761u;
constexpr uint64_t kNameSeed = 0x6E616D65;  // one stream for names, another for the rest
constexpr uint64_t kRestSeed = 0x72657374;

const char* const kSurnames[] = {
    "Gonzalez", "Rodriguez", "Gomez",   "Fernandez", "Lopez",    "Diaz",   "Martinez", "Perez",
    "Garcia",   "Sanchez",   "Romero",  "Sosa",      "Torres",   "Alvarez", "Ruiz",    "Ramirez",
    "Flores",   "Benitez",   "Acosta",  "Medina",    "Herrera",  "Suarez", "Aguirre",  "Gimenez",
    "Gutierrez", "Pereyra",  "Rojas",   "Molina",    "Castro",   "Ortiz",  "Silva",    "Nunez"};
const char* const kGivenNames[] = {
    "Sofia",  "Martina", "Lucia",    "Valentina", "Catalina", "Emma",    "Mia",    "Julieta",
    "Camila", "Isabella", "Victoria", "Olivia",   "Paula",    "Delfina", "Agustina", "Malena",
    "Mateo",  "Bautista", "Felipe",  "Santino",   "Thiago",   "Benjamin", "Joaquin", "Lautaro",
    "Tomas",  "Nicolas", "Lorenzo",  "Juan",      "Ignacio",  "Facundo", "Valentin", "Bruno"};
constexpr uint32_t kSurnameCount = std::size(kSurnames);
constexpr uint32_t kGivenCount = std::size(kGivenNames);
// One name in this many is typed in capitals, as many in small letters.
constexpr uint32_t kCaseVariants = 8;

// splitmix64, as in records.cc: fixed across platforms and library versions.
uint64_t mix(uint64_t state) {
  uint64_t z = state + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::string make_name(uint32_t index) {
  uint64_t bits = mix(kNameSeed ^ (uint64_t(index) << 20));
  std::string name = kSurnames[bits % kSurnameCount];
  bits /= kSurnameCount;
  name += ' ';
  name += kSurnames[bits % kSurnameCount];
  bits /= kSurnameCount;
  name += ", ";
  name += kGivenNames[bits % kGivenCount];
  bits /= kGivenCount;
  switch (bits % kCaseVariants) {
    case 0:
      for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
      break;
    case 1:
      for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
      break;
    default:
      break;
  }
  return name;
}

std::string make_rest(uint32_t index) {
  std::string rest(kRestLength, ' ');
  uint64_t state = kRestSeed ^ (uint64_t(index) << 20);
  uint64_t bits = 0;
  for (uint32_t i = 0; i < kRestLength; ++i) {
    if (i % 8 == 0) bits = mix(state++);
    rest[i] = char('a' + (bits & 0xFF) % 26);
    bits >>= 8;
  }
  return rest;
}

void put_text(const std::string& text, uint32_t length, uint8_t* out) {
  std::memset(out, ' ', length);
  std::memcpy(out, text.data(), std::min<size_t>(text.size(), length));
}

tps::FieldDeclaration field(uint8_t type, const char* label, uint32_t offset, uint32_t size) {
  tps::FieldDeclaration f;
  f.type = type;
  f.label = label;
  f.offset = offset;
  f.size = size;
  f.element_size = size;
  return f;
}

tps::KeyDeclaration key(const char* label, uint8_t attributes, uint32_t field_index) {
  tps::KeyDeclaration k;
  k.label = label;
  k.attributes = attributes;
  k.components = {tps::KeyComponent{field_index, false}};
  return k;
}

tps::TableDeclaration make_declaration() {
  enum : uint32_t { kNumberField, kNameField, kRestField };
  tps::TableDeclaration t;
  t.label = "BENCHKEYS";
  t.prefix = "BEN";
  t.file_name = "keys.tps";
  t.attributes = tps::table_attr::kCreate | tps::table_attr::kOem;
  t.record_length = kKeyRecordLength;
  t.fields = {field(tps::field_type::kLong, "BEN:NUMBER", kNumberOffset, 4),
              field(tps::field_type::kString, "BEN:NAME", kNameOffset, kNameLength),
              field(tps::field_type::kString, "BEN:REST", kRestOffset, kRestLength)};
  // In key-number order: BuiltKey::name, then BuiltKey::number.
  t.keys = {key("BEN:BY_NAME", tps::key_attr::kDup | tps::key_attr::kNoCase, kNameField),
            key("BEN:BY_NUMBER", 0, kNumberField)};
  return t;
}

}  // namespace

KeyRow make_key_row(uint32_t index) {
  return KeyRow{int32_t(index * kNumberSpread), make_name(index), make_rest(index)};
}

void fill_key_record(const KeyRow& row, uint8_t* buffer) {
  std::memcpy(buffer + kNumberOffset, &row.number, sizeof row.number);
  put_text(row.name, kNameLength, buffer + kNameOffset);
  put_text(row.rest, kRestLength, buffer + kRestOffset);
}

const tps::TableDeclaration& key_table_declaration() {
  static const tps::TableDeclaration declaration = make_declaration();
  return declaration;
}

}  // namespace bench
