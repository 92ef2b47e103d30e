#include "tps/page/file_registry.h"

#include <algorithm>
#include <cctype>

#include "tps/commit/commit.h"
#include "tps/errors/fault.h"
#include "tps/lock/transaction.h"

namespace tps {

namespace {

os::FileSystem* chosen_file_system = nullptr;

os::FileSystem& default_file_system() {
  return chosen_file_system ? *chosen_file_system : os::real_file_system();
}

}  // namespace

FileRegistry& FileRegistry::process() {
  static FileRegistry registry(default_file_system());
  return registry;
}

FileRegistry& FileRegistry::this_thread() {
  thread_local FileRegistry registry(default_file_system());
  return registry;
}

void FileRegistry::use_file_system(os::FileSystem* fs) { chosen_file_system = fs; }

FileRegistry::~FileRegistry() {
  for (auto& [name, entry] : files_) {
    try {
      entry.file->release_header_view();
    } catch (const EngineFault&) {
      // Nothing to report to at exit; the log, if any, is replayed later.
    }
  }
}

std::string FileRegistry::key_of(const std::string& name) {
  std::string key = name;
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return key;
}

OpenOptions FileRegistry::merge_options(const OpenOptions& held, const OpenOptions& wanted) {
  OpenOptions merged = held;
  merged.write = held.write || wanted.write;
  if (held.share != wanted.share) {
    if (held.share == os::Share::deny_none) {
      merged.share = wanted.share;
    } else if (wanted.share != os::Share::deny_none) {
      merged.share = os::Share::deny_all;
    }
  }
  merged.create = false;
  merged.replace = false;
  return merged;
}

int FileRegistry::acquire(const std::string& name, const OpenOptions& options, FileObject** out) {
  std::string key = key_of(name);
  auto it = files_.find(key);
  if (it == files_.end()) {
    auto file = std::make_unique<FileObject>(fs_, name);
    if (int error = file->open(options)) return error;
    *out = file.get();
    files_[key] = Entry{std::move(file), 1};
    return 0;
  }
  Entry& entry = it->second;
  OpenOptions merged = merge_options(entry.file->options(), options);
  bool same = merged.write == entry.file->options().write &&
              merged.share == entry.file->options().share;
  // Reopening drops the handle's locks: only between operations, and not
  // while a table LOCK or record HOLD outlives them.
  if (!same && !entry.file->view_held() && !entry.file->in_transaction() &&
      entry.file->lock_nesting() == 0) {
    if (int error = entry.file->reopen(merged)) return error;
  } else if (!same && options.write && !entry.file->writable()) {
    return 5;
  }
  ++entry.uses;
  *out = entry.file.get();
  return 0;
}

void FileRegistry::release(FileObject* file) {
  for (auto it = files_.begin(); it != files_.end(); ++it) {
    if (it->second.file.get() != file) continue;
    if (--it->second.uses > 0) return;
    auto owned = std::move(it->second.file);
    files_.erase(it);
    // The transaction list must not keep a file object that goes away; its
    // changes cannot be committed without the rest of the transaction.
    TransactionList::process().forget(*owned);
    owned->end_operation();
    owned->unlock_view();
    return;
  }
}

}  // namespace tps
