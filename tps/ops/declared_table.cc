#include "tps/ops/declared_table.h"

#include <utility>

#include "tps/ops/control_block.h"
#include "tps/ops/engine_call.h"

namespace tps {

namespace {
constexpr uint8_t kSpace = 0x20;
}  // namespace

void clear_memo_buffer(const MemoDeclaration& memo, Bytes& buffer) {
  if (memo.is_blob()) {
    buffer.clear();
  } else {
    buffer.assign(memo.size, kSpace);
  }
}

DeclaredTable::DeclaredTable(TableDeclaration declared) : declaration(std::move(declared)) {
  record.assign(declaration.record_length, 0);
  memos.resize(declaration.memos.size());
  for (size_t i = 0; i < memos.size(); ++i) clear_memo_buffer(declaration.memos[i], memos[i]);
}

DeclaredTable::~DeclaredTable() {
  // An open table gives its use of the file back before it goes away.
  if (control) engine_call(op::kDestroy, *this);
}

}  // namespace tps
