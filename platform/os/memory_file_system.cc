#include "platform/os/memory_file_system.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/os/sharing.h"

namespace os {

namespace {

using HandleId = uint64_t;

struct RangeLock {
  HandleId owner;
  uint64_t start;
  uint64_t end;  // exclusive
  bool exclusive;
};

// A file's data and everything attached to the file rather than to a name,
// so that it survives rename and remove while handles are open.
struct Inode {
  std::vector<uint8_t> bytes;
  bool read_only = false;
  std::vector<RangeLock> locks;
  std::map<HandleId, ShareClaim> claims;  // sharing claims of the open handles
};

struct Node {
  bool directory = false;
  std::shared_ptr<Inode> inode;  // files only
};

// Splits `path` into components, dropping empty and "." ones and resolving
// "..". The root is the empty string.
std::string normalize(const std::string& path) {
  std::vector<std::string> parts;
  std::string::size_type begin = 0;
  while (begin <= path.size()) {
    std::string::size_type end = path.find('/', begin);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(begin, end - begin);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    begin = end + 1;
  }
  std::string joined;
  for (const std::string& part : parts) joined += (joined.empty() ? "" : "/") + part;
  return joined;
}

std::string parent_of(const std::string& normalized) {
  std::string::size_type slash = normalized.rfind('/');
  return slash == std::string::npos ? std::string() : normalized.substr(0, slash);
}

std::string name_of(const std::string& normalized) {
  std::string::size_type slash = normalized.rfind('/');
  return slash == std::string::npos ? normalized : normalized.substr(slash + 1);
}

bool inside(const std::string& normalized, const std::string& directory) {
  return directory.empty() ||
         (normalized.size() > directory.size() && normalized.compare(0, directory.size(), directory) == 0 &&
          normalized[directory.size()] == '/');
}

bool overlaps(const RangeLock& lock, uint64_t start, uint64_t end) {
  return lock.start < end && start < lock.end;
}

bool valid_lock_range(uint64_t offset, uint64_t length) {
  return length > 0 && offset < kReservedLockOffset && length <= kReservedLockOffset - offset;
}

// Removes `owner`'s locks on [start, end), keeping the parts outside it.
void release_range(Inode& inode, HandleId owner, uint64_t start, uint64_t end) {
  std::vector<RangeLock> kept;
  for (const RangeLock& lock : inode.locks) {
    if (lock.owner != owner || !overlaps(lock, start, end)) {
      kept.push_back(lock);
      continue;
    }
    if (lock.start < start) kept.push_back({owner, lock.start, start, lock.exclusive});
    if (end < lock.end) kept.push_back({owner, end, lock.end, lock.exclusive});
  }
  inode.locks = std::move(kept);
}

}  // namespace

struct MemoryFileSystem::State {
  mutable std::mutex mutex;
  std::map<std::string, Node> nodes;  // by normalized path; the root is implicit
  HandleId next_handle = 1;
  uint64_t max_file_size = kDefaultMaxFileSize;

  const Node* find(const std::string& normalized) const {
    auto it = nodes.find(normalized);
    return it == nodes.end() ? nullptr : &it->second;
  }
  bool is_directory(const std::string& normalized) const {
    const Node* node = find(normalized);
    return normalized.empty() || (node && node->directory);
  }
  // The error for a name that does not exist: ENOTDIR when the parent
  // directory is missing too or is a file (as the real file system reports).
  int missing_error(const std::string& normalized) const {
    return is_directory(parent_of(normalized)) ? ENOENT : ENOTDIR;
  }
  bool has_children(const std::string& directory) const {
    if (directory.empty()) return !nodes.empty();
    // Children sort right from "dir/" on; "dir.txt" or "dir-b" may sort
    // between "dir" and them.
    auto it = nodes.lower_bound(directory + "/");
    return it != nodes.end() && inside(it->first, directory);
  }
};

namespace {

class MemoryFile final : public File {
 public:
  MemoryFile(std::shared_ptr<MemoryFileSystem::State> state, std::shared_ptr<Inode> inode, HandleId id,
             bool writable)
      : state_(std::move(state)), inode_(std::move(inode)), id_(id), writable_(writable) {}

  ~MemoryFile() override {
    std::lock_guard<std::mutex> guard(state_->mutex);
    inode_->claims.erase(id_);
    release_range(*inode_, id_, 0, UINT64_MAX);
  }

  int64_t read_at(uint64_t offset, void* buffer, size_t length) override {
    std::lock_guard<std::mutex> guard(state_->mutex);
    const std::vector<uint8_t>& bytes = inode_->bytes;
    if (offset >= bytes.size()) return 0;
    size_t count = std::min<uint64_t>(length, bytes.size() - offset);
    if (count) std::memcpy(buffer, bytes.data() + offset, count);
    return static_cast<int64_t>(count);
  }

  int64_t write_at(uint64_t offset, const void* buffer, size_t length) override {
    if (!writable_) return -EBADF;
    std::lock_guard<std::mutex> guard(state_->mutex);
    if (length == 0) return 0;
    if (offset >= state_->max_file_size) return -EFBIG;
    size_t count = std::min<uint64_t>(length, state_->max_file_size - offset);
    std::vector<uint8_t>& bytes = inode_->bytes;
    if (offset + count > bytes.size()) bytes.resize(offset + count);
    std::memcpy(bytes.data() + offset, buffer, count);
    return static_cast<int64_t>(count);
  }

  int flush() override { return 0; }

  int64_t size() override {
    std::lock_guard<std::mutex> guard(state_->mutex);
    return static_cast<int64_t>(inode_->bytes.size());
  }

  int truncate(uint64_t length) override {
    if (!writable_) return EBADF;
    std::lock_guard<std::mutex> guard(state_->mutex);
    if (length > state_->max_file_size) return EFBIG;
    inode_->bytes.resize(length);
    return 0;
  }

  int try_lock(uint64_t offset, uint64_t length) override {
    if (!valid_lock_range(offset, length)) return EINVAL;
    std::lock_guard<std::mutex> guard(state_->mutex);
    const uint64_t end = offset + length;
    for (const RangeLock& lock : inode_->locks) {
      if (lock.owner != id_ && overlaps(lock, offset, end) && (lock.exclusive || writable_)) return EAGAIN;
    }
    release_range(*inode_, id_, offset, end);  // a relock replaces this handle's own
    inode_->locks.push_back({id_, offset, end, writable_});
    return 0;
  }

  int unlock(uint64_t offset, uint64_t length) override {
    if (!valid_lock_range(offset, length)) return EINVAL;
    std::lock_guard<std::mutex> guard(state_->mutex);
    release_range(*inode_, id_, offset, offset + length);
    return 0;
  }

  bool writable() const override { return writable_; }

 private:
  std::shared_ptr<MemoryFileSystem::State> state_;
  std::shared_ptr<Inode> inode_;
  HandleId id_;
  bool writable_;
};

}  // namespace

MemoryFileSystem::MemoryFileSystem() : state_(std::make_shared<State>()) {}
MemoryFileSystem::~MemoryFileSystem() = default;

int MemoryFileSystem::open(const std::string& path, const OpenMode& mode, std::unique_ptr<File>* out) {
  std::unique_ptr<File> opened;
  if (int error = open_locked(path, mode, &opened)) return error;
  *out = std::move(opened);  // outside the lock: a handle replaced in *out takes it to close
  return 0;
}

int MemoryFileSystem::open_locked(const std::string& path, const OpenMode& mode, std::unique_ptr<File>* out) {
  const bool writable = mode.access == Access::read_write;
  if (mode.disposition == Disposition::create_always && !writable) return EINVAL;
  if (path.empty()) return ENOENT;
  const std::string name = normalize(path);
  std::lock_guard<std::mutex> guard(state_->mutex);
  if (state_->is_directory(name)) return EISDIR;
  std::shared_ptr<Inode> inode;
  if (const Node* node = state_->find(name)) {
    inode = node->inode;
    if (writable && inode->read_only) return EACCES;
  } else {
    int missing = state_->missing_error(name);
    if (missing != ENOENT || mode.disposition == Disposition::open_existing) return missing;
    inode = std::make_shared<Inode>();
    state_->nodes[name] = Node{false, inode};
  }
  const ShareClaim claim = share_claim(mode);
  for (const auto& [other, other_claim] : inode->claims) {
    if (share_conflict(claim, other_claim)) return kSharingViolation;
  }
  if (mode.disposition == Disposition::create_always) inode->bytes.clear();
  const HandleId id = state_->next_handle++;
  inode->claims[id] = claim;
  *out = std::make_unique<MemoryFile>(state_, inode, id, writable);
  return 0;
}

int MemoryFileSystem::remove(const std::string& path) {
  const std::string name = normalize(path);
  std::lock_guard<std::mutex> guard(state_->mutex);
  if (name.empty()) return EBUSY;
  const Node* node = state_->find(name);
  if (!node) return state_->missing_error(name);
  if (node->directory && state_->has_children(name)) return ENOTEMPTY;
  state_->nodes.erase(name);
  return 0;
}

int MemoryFileSystem::rename(const std::string& from, const std::string& to) {
  const std::string source = normalize(from);
  const std::string target = normalize(to);
  std::lock_guard<std::mutex> guard(state_->mutex);
  std::map<std::string, Node>& nodes = state_->nodes;
  const Node* node = source.empty() ? nullptr : state_->find(source);
  if (!node) return source.empty() ? EBUSY : state_->missing_error(source);
  if (target.empty()) return EBUSY;
  if (source == target) return 0;
  if (!state_->is_directory(parent_of(target))) return state_->missing_error(target);
  const Node* replaced = state_->find(target);
  if (!node->directory) {
    if (replaced && replaced->directory) return EISDIR;
    nodes[target] = nodes[source];
    nodes.erase(source);
    return 0;
  }
  if (inside(target, source)) return EINVAL;
  if (replaced && !replaced->directory) return ENOTDIR;
  if (replaced && state_->has_children(target)) return ENOTEMPTY;
  std::vector<std::pair<std::string, Node>> moved;
  for (auto it = nodes.begin(); it != nodes.end();) {
    if (it->first == source || inside(it->first, source)) {
      moved.emplace_back(target + it->first.substr(source.size()), it->second);
      it = nodes.erase(it);
    } else {
      ++it;
    }
  }
  for (auto& [name, moved_node] : moved) nodes[name] = moved_node;
  return 0;
}

bool MemoryFileSystem::exists(const std::string& path) {
  if (path.empty()) return false;
  const std::string name = normalize(path);
  std::lock_guard<std::mutex> guard(state_->mutex);
  return name.empty() || state_->find(name);
}

bool MemoryFileSystem::is_directory(const std::string& path) {
  if (path.empty()) return false;
  const std::string name = normalize(path);
  std::lock_guard<std::mutex> guard(state_->mutex);
  return state_->is_directory(name);
}

std::vector<std::string> MemoryFileSystem::list_directory(const std::string& path) {
  std::vector<std::string> names;
  if (path.empty()) return names;
  const std::string directory = normalize(path);
  std::lock_guard<std::mutex> guard(state_->mutex);
  if (!state_->is_directory(directory)) return names;
  for (const auto& [name, node] : state_->nodes) {
    if (parent_of(name) == directory) names.push_back(name_of(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

int MemoryFileSystem::make_directory(const std::string& path) {
  const std::string name = normalize(path);
  std::lock_guard<std::mutex> guard(state_->mutex);
  if (name.empty() || state_->find(name)) return EEXIST;
  const std::string parent = parent_of(name);
  if (!state_->is_directory(parent)) return state_->find(parent) ? ENOTDIR : ENOENT;
  state_->nodes[name] = Node{true, nullptr};
  return 0;
}

std::vector<uint8_t> MemoryFileSystem::contents(const std::string& path) const {
  const std::string name = normalize(path);
  std::lock_guard<std::mutex> guard(state_->mutex);
  const Node* node = state_->find(name);
  return node && !node->directory ? node->inode->bytes : std::vector<uint8_t>();
}

int MemoryFileSystem::set_contents(const std::string& path, std::vector<uint8_t> bytes) {
  if (path.empty()) return ENOENT;
  const std::string name = normalize(path);
  std::lock_guard<std::mutex> guard(state_->mutex);
  if (state_->is_directory(name)) return EISDIR;
  const Node* node = state_->find(name);
  if (!node) {
    int missing = state_->missing_error(name);
    if (missing != ENOENT) return missing;
    node = &(state_->nodes[name] = Node{false, std::make_shared<Inode>()});
  }
  node->inode->bytes = std::move(bytes);
  return 0;
}

int MemoryFileSystem::set_read_only(const std::string& path, bool read_only) {
  const std::string name = normalize(path);
  std::lock_guard<std::mutex> guard(state_->mutex);
  const Node* node = state_->find(name);
  if (!node || node->directory) return node ? EISDIR : ENOENT;
  node->inode->read_only = read_only;
  return 0;
}

void MemoryFileSystem::set_max_file_size(uint64_t bytes) {
  std::lock_guard<std::mutex> guard(state_->mutex);
  state_->max_file_size = bytes;
}

}  // namespace os
