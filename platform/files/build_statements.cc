// The build and property statements, and the filter a filtered build hands
// the engine: the program's expression compiled against the table's fields.
#include <memory>
#include <string>

#include "platform/expr/expression.h"
#include "platform/files/current_error.h"
#include "platform/files/file_table.h"
#include "tps/errors/errors.h"
#include "tps/maint/record_filter.h"

namespace platform {

namespace {

constexpr std::string_view kBadFilterMessage = "Invalid filter expression";

// A compiled expression over the table's record buffer. Copies share the
// compiled form, which never changes.
class ExpressionFilter final : public tps::RecordFilter {
 public:
  explicit ExpressionFilter(std::shared_ptr<const expr::Expression> expression)
      : expression_(std::move(expression)) {}
  bool accepts(const tps::DeclaredTable& table) const override { return expression_->evaluate(table.record.data()); }
  std::unique_ptr<tps::RecordFilter> clone() const override { return std::make_unique<ExpressionFilter>(*this); }

 private:
  std::shared_ptr<const expr::Expression> expression_;
};

// The current error of a filter that did not compile: the engine's number
// for a bad index string, with what is wrong and where as the detail.
void post_bad_filter(const FileTable& table, const expr::CompileResult& compiled) {
  FileErrorState state;
  state.code = tps::error::kInvalidIndexString;
  state.text = std::string(tps::error_message(state.code));
  state.file_error = std::string(kBadFilterMessage) + ": " + compiled.error;
  state.file_error_code = std::to_string(compiled.position + 1);  // 1-based column
  state.file = table.declaration().file_name;
  set_current_file_error(std::move(state));
}

}  // namespace

int FileTable::Build() { return call(tps::op::kBuildFile), ErrorCode(); }

int FileTable::BuildKey(size_t key) { return key_call(tps::op::kBuildKey, key), ErrorCode(); }

int FileTable::Pack() { return call(tps::op::kPack), ErrorCode(); }

int FileTable::BuildDynamic(size_t key, std::string_view key_string, std::string_view filter) {
  tps::DriverArguments args;
  args.key = int(key);
  args.text = key_string;
  if (filter.empty()) return call(tps::op::kBuildDyn, args), ErrorCode();
  expr::CompileResult compiled = expr::compile(filter, declaration_);
  if (!compiled.ok()) {
    post_bad_filter(*this, compiled);
    return ErrorCode();
  }
  const ExpressionFilter accepted(std::shared_ptr<const expr::Expression>(std::move(compiled.expression)));
  args.filter = &accepted;
  return call(tps::op::kBuildDynFilter, args), ErrorCode();
}

int FileTable::RunDeferredBuild() { return call(tps::op::kRunDeferredBuild), ErrorCode(); }

std::string FileTable::GetProperty(int64_t property) {
  std::string value;
  tps::DriverArguments args;
  args.record = property;
  args.text_out = &value;
  call(tps::op::kGetProperty, args);
  return value;
}

int FileTable::SetProperty(int64_t property, std::string_view value) {
  tps::DriverArguments args;
  args.record = property;
  args.text = value;
  return call(tps::op::kSetProperty, args), ErrorCode();
}

}  // namespace platform
