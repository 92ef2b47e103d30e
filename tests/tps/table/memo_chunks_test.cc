// MEMO and BLOB values in chunks, and rewriting only the chunks that changed.
#include "tps/table/memo_chunks.h"

#include "tps/base/bytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace tps;

Bytes bytes_of(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::vector<size_t> sizes(const std::vector<Bytes>& chunks) {
  std::vector<size_t> result;
  for (const Bytes& chunk : chunks) result.push_back(chunk.size());
  return result;
}

TEST(MemoChunks, DropTrailingSpacesAndPadThemBackOnRead) {
  const Bytes buffer = bytes_of("abc" + std::string(97, ' '));
  const std::vector<Bytes> chunks = memo_chunks(buffer.data(), buffer.size(), false);
  ASSERT_EQ(chunks, std::vector<Bytes>{bytes_of("abc")});
  EXPECT_EQ(memo_from_chunks(chunks, 100, false), buffer);

  const Bytes blank(100, ' ');
  EXPECT_TRUE(memo_chunks(blank.data(), blank.size(), false).empty());
  EXPECT_EQ(memo_from_chunks({}, 100, false), blank);
}

// The trailing run is skipped a word at a time: text ending at every offset
// around the word boundaries, and spaces inside the text, must survive.
TEST(MemoChunks, TrailingSpacesEndExactlyAfterTheLastOtherByte) {
  for (size_t text_length = 0; text_length <= 20; ++text_length) {
    for (size_t total : {text_length, text_length + 1, text_length + 8, text_length + 17, text_length + 255, text_length + 600}) {
      Bytes buffer(total, ' ');
      for (size_t i = 0; i < text_length; ++i) buffer[i] = (i % 3 == 1) ? ' ' : 'x';
      const size_t expected = text_length == 0 ? 0 : (buffer[text_length - 1] == ' ' ? text_length - 1 : text_length);
      EXPECT_EQ(length_without_trailing(buffer.data(), buffer.size(), ' '), expected) << text_length << " of " << total;
    }
  }
}

TEST(MemoChunks, CutLongValuesAt256AndBlobsAt10240AfterTheSize) {
  Bytes memo(600);
  for (size_t i = 0; i < memo.size(); ++i) memo[i] = static_cast<uint8_t>('a' + i % 26);
  const std::vector<Bytes> memo_parts = memo_chunks(memo.data(), memo.size(), false);
  EXPECT_EQ(sizes(memo_parts), (std::vector<size_t>{256, 256, 88}));
  EXPECT_EQ(memo_from_chunks(memo_parts, 600, false), memo);

  Bytes blob(20000);
  for (size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<uint8_t>(i * 31);
  const auto blob_parts = blob_chunks(blob.data(), blob.size(), false);
  ASSERT_TRUE(blob_parts);
  EXPECT_EQ(sizes(*blob_parts), (std::vector<size_t>{10244, 9760}));
  EXPECT_EQ(Bytes(blob_parts->front().begin(), blob_parts->front().begin() + 4), (Bytes{0x20, 0x4E, 0, 0}));
  EXPECT_EQ(blob_from_chunks(*blob_parts, false), blob);

  EXPECT_TRUE(blob_chunks(nullptr, 0, false)->empty());
  EXPECT_EQ(blob_from_chunks({}, false), Bytes());
}

TEST(MemoChunks, ConvertTextButNeverTheBlobSize) {
  const std::string accented = "ni\xF1o \xBFqu\xE9? \xA1muy bien! 1\xB0";  // niño ¿qué? ¡muy bien! 1°
  const Bytes memo = bytes_of(accented + "   ");
  const std::vector<Bytes> chunks = memo_chunks(memo.data(), memo.size(), true);
  EXPECT_EQ(chunks.front()[2], 0xA4);  // ñ in the OEM code page
  EXPECT_EQ(memo_from_chunks(chunks, memo.size(), true), memo);

  // 0x80 in the size would turn into '?' if the prefix were converted.
  const Bytes blob(0x80, 0xE9);
  const auto blob_parts = blob_chunks(blob.data(), blob.size(), true);
  ASSERT_TRUE(blob_parts);
  EXPECT_EQ(blob_parts->front()[0], 0x80);
  EXPECT_EQ(blob_parts->front()[4], 0x82);
  EXPECT_EQ(blob_from_chunks(*blob_parts, true), blob);
}

TEST(MemoChunks, CutAMemoLongerThanItsBufferAtTheDeclaredSize) {
  EXPECT_EQ(memo_from_chunks({bytes_of("abcdef"), bytes_of("ghi")}, 4, false), bytes_of("abcd"));
}

TEST(MemoChunks, RefuseMalformedBlobChunks) {
  const std::vector<std::vector<Bytes>> malformed = {
      {{1, 0, 0}},                                  // no room for the size
      {{5, 0, 0, 0, 'a', 'b'}},                     // size larger than the bytes stored
      {{1, 0, 0, 0, 'a'}, {'b'}},                   // size smaller than the bytes stored
      {{0xFF, 0xFF, 0xFF, 0xFF, 'a'}},              // forged size above the limit
      {{0x01, 0x00, 0x00, 0x28, 'a'}},              // 0x28000001
  };
  for (const auto& chunks : malformed) EXPECT_FALSE(blob_from_chunks(chunks, false));
}

std::vector<StoredChunk> stored_chunks(const std::vector<Bytes>& chunks) {
  std::vector<StoredChunk> stored;
  for (size_t i = 0; i < chunks.size(); ++i) stored.push_back({static_cast<uint16_t>(i), chunks[i]});
  return stored;
}

std::string describe(const std::vector<ChunkEdit>& edits) {
  std::string text;
  for (const ChunkEdit& edit : edits)
    text += (edit.action == ChunkEdit::Action::kDelete ? "-" : "+") + std::to_string(edit.sequence) + " ";
  return text;
}

TEST(ChunkEdits, RewriteOnlyFromTheFirstDifference) {
  const std::vector<Bytes> three = {Bytes(256, 'a'), Bytes(256, 'b'), Bytes(88, 'c')};
  struct Case {
    const char* what;
    std::vector<StoredChunk> stored;
    std::vector<Bytes> fresh;
    std::string edits;
  };
  const std::vector<Case> cases = {
      {"unchanged", stored_chunks(three), three, ""},
      {"shortened to one chunk", stored_chunks(three), {three[0]}, "-1 -2 "},
      {"last chunk edited", stored_chunks(three), {three[0], three[1], Bytes(90, 'c')}, "-2 +2 "},
      {"grown by a chunk", stored_chunks({three[0]}), {three[0], three[1]}, "+1 "},
      {"cleared", stored_chunks(three), {}, "-0 -1 -2 "},
      {"new", {}, {three[0]}, "+0 "},
      {"gap in the stored sequence", {{0, three[0]}, {2, three[2]}}, {three[0], three[1], three[2]}, "+1 "},
  };
  for (const Case& c : cases) {
    const std::vector<ChunkEdit> edits = plan_chunk_edits(c.stored, c.fresh);
    EXPECT_EQ(describe(edits), c.edits) << c.what;
    for (const ChunkEdit& edit : edits) {
      if (edit.action == ChunkEdit::Action::kInsert) {
        EXPECT_EQ(*edit.bytes, c.fresh[edit.sequence]) << c.what;
      }
    }
  }
}

}  // namespace
