#include "dictionary/qvrudbc0_files.h"

#include "dictionary/qvrudbc0_tables.h"

namespace dictionary {

platform::FileTable& QVLIBJAR() {
  static platform::FileTable table(qvlibjar_declaration());
  return table;
}

platform::FileTable& QVMATERIAS() {
  static platform::FileTable table(qvmaterias_declaration());
  return table;
}

}  // namespace dictionary
