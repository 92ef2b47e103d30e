// The blob slice operations through the entry point: bytes taken in and
// handed out by range, sizes and contents set as properties, the touched
// mark, and blobs in a state block.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tests/tps/ops/ops_table.h"
#include "tps/maint/blob_slices.h"
#include "tps/maint/state_block.h"
#include "tps/table/declaration_limits.h"

namespace tps {
namespace {

// The pupil register with a photo: memo 1 is the text notes, memo 2 the BLOB.
constexpr int kNotes = 1;
constexpr int kPhoto = 2;

TableDeclaration with_photo(const std::string& file_name) {
  TableDeclaration t = ops_testing::pupils_declaration(file_name);
  MemoDeclaration photo;
  photo.label = "PUP:PHOTO";
  photo.attributes = memo_attr::kBlob | memo_attr::kBinary;
  t.memos.push_back(photo);
  return t;
}

class BlobSlicesTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(run(op::kCreate), 0);
    ASSERT_EQ(run(op::kOpen), 0);
  }

  int run(int operation, DriverArguments args = {}) {
    value_ = engine_call(operation, table_, args);
    return posted_error().number;
  }
  int take(int64_t first, int64_t last, std::string_view bytes, int blob = kPhoto) {
    DriverArguments args;
    args.blob = blob;
    args.first = first;
    args.last = last;
    args.bytes = bytes;
    return run(op::kBlobTake, args);
  }
  std::string yield(int64_t first, int64_t last) {
    std::string out = "unset";
    DriverArguments args;
    args.blob = kPhoto;
    args.first = first;
    args.last = last;
    args.text_out = &out;
    EXPECT_EQ(run(op::kBlobYield, args), 0);
    return out;
  }
  int set_property(int64_t property, int64_t size, std::string_view bytes = {}) {
    DriverArguments args;
    args.blob = kPhoto;
    args.record = property;
    args.blob_size = size;
    args.bytes = bytes;
    return run(op::kBlobSetProp, args);
  }
  uint32_t get_property(int64_t property, const void** pointer = nullptr) {
    DriverArguments args;
    args.blob = kPhoto;
    args.record = property;
    args.pointer_out = pointer;
    EXPECT_EQ(run(op::kBlobGetProp, args), 0);
    return value_;
  }
  uint32_t size() {
    DriverArguments args;
    args.blob = kPhoto;
    EXPECT_EQ(run(op::kBlobSize, args), 0);
    return value_;
  }
  bool touched() { return get_property(blob_property::kTouched) != 0; }
  std::string photo() const { return std::string(table_.memos[1].begin(), table_.memos[1].end()); }

  testing_support::TempDir dir_;
  DeclaredTable table_{with_photo(dir_.file("pupils.tps"))};
  uint32_t value_ = 0;
};

TEST_F(BlobSlicesTest, BytesGoInAndOutByRange) {
  ASSERT_EQ(take(0, 4, "hello"), 0);
  EXPECT_EQ(size(), 5u);
  ASSERT_EQ(take(8, 9, "XYZ"), 0) << "only the range's two bytes are taken";
  EXPECT_EQ(photo(), std::string("hello\0\0\0XY", 10)) << "grown with zeros up to the range";
  ASSERT_EQ(take(1, 2, "EL"), 0);
  EXPECT_EQ(yield(0, 4), "hELlo");
  EXPECT_EQ(yield(8, 100), "XY") << "cut at the blob's end";
  EXPECT_EQ(yield(20, 30), "");
  EXPECT_EQ(yield(4, 3), "") << "reversed range";
  ASSERT_EQ(take(4, 3, "zz"), 0);
  EXPECT_EQ(size(), 10u) << "a reversed range stores nothing";
}

TEST_F(BlobSlicesTest, SizeAndContentsAsProperties) {
  ASSERT_EQ(set_property(blob_property::kContents, 0, "portrait"), 0);
  EXPECT_EQ(get_property(blob_property::kSize), 8u);
  const void* buffer = nullptr;
  EXPECT_EQ(get_property(blob_property::kContents, &buffer), 8u);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(std::string(static_cast<const char*>(buffer), 8), "portrait");

  ASSERT_EQ(set_property(blob_property::kSize, 4), 0);
  EXPECT_EQ(photo(), "port");
  ASSERT_EQ(set_property(blob_property::kSize, 6), 0);
  EXPECT_EQ(photo(), std::string("port\0\0", 6));
  ASSERT_EQ(set_property(blob_property::kContents, 0, ""), 0);
  EXPECT_EQ(size(), 0u) << "empty contents empty the blob";
}

TEST_F(BlobSlicesTest, TouchedMarkSetBySlicesClearedByReadsAndWrites) {
  EXPECT_FALSE(touched());
  ASSERT_EQ(take(0, 2, "abc"), 0);
  EXPECT_TRUE(touched());
  ASSERT_EQ(run(op::kAdd), 0);
  EXPECT_FALSE(touched()) << "cleared by the write";
  const uint32_t record = [&] {
    run(op::kPointerFile);
    return value_;
  }();

  EXPECT_EQ(yield(0, 0), "a");
  EXPECT_TRUE(touched());
  ASSERT_EQ(set_property(blob_property::kSize, 0), 0);
  DriverArguments get;
  get.record = record;
  ASSERT_EQ(run(op::kGetFilePtr, get), 0);
  EXPECT_FALSE(touched()) << "cleared by the read";
  EXPECT_EQ(photo(), "abc") << "the stored blob read back";

  ASSERT_EQ(take(3, 2, "zz"), 0);
  EXPECT_FALSE(touched()) << "a reversed range touches nothing";
}

TEST_F(BlobSlicesTest, BadArgumentsAndGrowthPastTheLimitAreRefused) {
  ASSERT_EQ(take(0, 2, "abc"), 0);
  struct Case {
    const char* name;
    int blob;
    int64_t first;
    int64_t last;
    std::string_view bytes;
    int expected;
  };
  for (const Case& c : std::vector<Case>{
           {"blob 0", 0, 0, 0, "a", error::kInvalidNumberOfParameters},
           {"beyond the memos", 3, 0, 0, "a", error::kInvalidNumberOfParameters},
           {"a text memo", kNotes, 0, 0, "a", error::kInvalidNumberOfParameters},
           {"negative offset", kPhoto, -1, 0, "ab", error::kInvalidNumberOfParameters},
           {"fewer bytes than the range", kPhoto, 0, 9, "abc", error::kInvalidNumberOfParameters},
           {"past the largest blob", kPhoto, kMaxBlobSize, kMaxBlobSize, "a", error::kUnsupportedFunction}}) {
    EXPECT_EQ(take(c.first, c.last, c.bytes, c.blob), c.expected) << c.name;
  }
  EXPECT_EQ(set_property(blob_property::kSize, int64_t(kMaxBlobSize) + 1), error::kUnsupportedFunction);
  EXPECT_EQ(set_property(blob_property::kSize, -1), error::kInvalidNumberOfParameters);
  EXPECT_EQ(set_property(blob_property::kTouched, 1), error::kInvalidNumberOfParameters);
  EXPECT_EQ(photo(), "abc") << "no refused call changed the blob";
}

TEST_F(BlobSlicesTest, StateBlockKeepsBlobsWhenAsked) {
  ASSERT_EQ(set_property(blob_property::kContents, 0, "first"), 0);
  ASSERT_EQ(run(op::kAdd), 0);
  run(op::kPointerFile);
  const uint32_t first_record = value_;
  ASSERT_EQ(set_property(blob_property::kContents, 0, "second"), 0);
  ASSERT_EQ(run(op::kAdd), 0);
  run(op::kPointerFile);
  const uint32_t second_record = value_;
  auto read = [&](uint32_t record) {
    DriverArguments get;
    get.record = record;
    ASSERT_EQ(run(op::kGetFilePtr, get), 0);
  };
  for (bool save_blobs : {true, false}) {
    SCOPED_TRACE(save_blobs ? "blobs saved" : "blobs not saved");
    read(first_record);
    ASSERT_EQ(set_property(blob_property::kContents, 0, "unstored"), 0);
    StateBlock* block = nullptr;
    DriverArguments get;
    get.state_out = &block;
    get.save_blobs = save_blobs;
    ASSERT_EQ(run(op::kGetState, get), 0);
    read(second_record);

    DriverArguments restore;
    restore.state = block;
    restore.restore_buffers = true;
    EXPECT_EQ(run(op::kRestoreState, restore), 0);
    // Unsaved, the blob is the stored one read again with the record, never
    // the bytes of the record read meanwhile.
    EXPECT_EQ(photo(), save_blobs ? "unstored" : "first");

    read(second_record);
    restore.restore_buffers = false;
    EXPECT_EQ(run(op::kRestoreState, restore), 0);
    EXPECT_EQ(photo(), "second") << "the buffers as they were before the call";

    DriverArguments free;
    free.state = block;
    EXPECT_EQ(run(op::kFreeState, free), 0);
  }
}

}  // namespace
}  // namespace tps
