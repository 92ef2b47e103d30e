#include <gtest/gtest.h>

#include "platform/os/memory_file_system.h"
#include "tests/tps/station.h"
#include "tps/commit/page_image.h"
#include "tps/page/file_header.h"

namespace tps {
namespace {

using testing::Station;

FileHeader disk_header(os::MemoryFileSystem& fs, const std::string& path) {
  FileHeader h;
  std::vector<uint8_t> bytes = fs.contents(path);
  EXPECT_GE(bytes.size(), 512u);
  std::memcpy(h.bytes(), bytes.data(), 512);
  return h;
}

TEST(FirstCommit, ZeroLengthFileBecomesASettledTpsFile) {
  os::MemoryFileSystem fs;
  Station station(fs, "/new.tps");
  ASSERT_EQ(station.open_error(), 0);
  EXPECT_EQ(fs.contents("/new.tps").size(), 0u);  // nothing written before the first commit
  ASSERT_EQ(station.update([](PageTree& tree) { Station::put(tree, "k", "v"); }), 0);

  FileHeader h = disk_header(fs, "/new.tps");
  EXPECT_TRUE(h.valid());
  EXPECT_EQ(load_u16le(h.bytes() + 4), 512);
  EXPECT_EQ(h.change_counter(), 3u);  // started, logged, log reset
  EXPECT_FALSE(h.log_pending());
  EXPECT_EQ(h.log_start(), h.end_of_page_space());
  EXPECT_EQ(h.root(), 0);  // the first page placed in an empty file is page 0
  EXPECT_EQ(h.region_start(1), 0);
  EXPECT_EQ(h.region_end(1), 1);
  for (int k = 2; k < kSizeClasses; ++k) EXPECT_EQ(h.region_start(k), 1) << k;
}

TEST(FirstCommit, ReadingAZeroLengthFileInReaderModeIsAFault) {
  os::MemoryFileSystem fs;
  Station writer(fs, "/empty.tps");
  Station reader(fs, "/empty.tps", false);
  ASSERT_EQ(reader.open_error(), 0);
  try {
    reader.file().load_root();
    ADD_FAILURE() << "an empty tree was started in reader mode";
  } catch (const EngineFault& f) {
    EXPECT_EQ(f.code(), fault::kInsertInReaderMode);
  }
  reader.file().end_operation();
}

TEST(FirstCommit, HeaderWithoutMagicIsRejected) {
  os::MemoryFileSystem fs;
  fs.set_contents("/bad.tps", std::vector<uint8_t>(1024, 0x11));
  Station station(fs, "/bad.tps", false);
  EXPECT_EQ(station.open_error(), 36);
  fs.set_contents("/short.tps", std::vector<uint8_t>(100, 0));
  Station short_file(fs, "/short.tps", false);
  EXPECT_EQ(short_file.open_error(), 36);
}

TEST(NumberCounter, IssuesBigEndianNumbersUpToTheLimit) {
  os::MemoryFileSystem fs;
  Station station(fs, "/n.tps");
  station.file().switch_to_update_mode();
  station.file().refresh_header();
  auto first = station.file().next_number();
  EXPECT_EQ(first, (std::array<uint8_t, 4>{0, 0, 0, 1}));
  store_u32be(station.file().header().number_counter_bytes(), 0xFDFFFFFE);
  auto last = station.file().next_number();
  EXPECT_EQ(last, (std::array<uint8_t, 4>{0xFD, 0xFF, 0xFF, 0xFF}));
  try {
    station.file().next_number();
    ADD_FAILURE() << "issued 0xFE000000";
  } catch (const EngineFault& f) {
    EXPECT_EQ(f.code(), fault::kNumberExhausted);
  }
  EXPECT_EQ(station.file().header().number_counter(), 0xFDFFFFFFu);
  station.file().end_operation();
}

TEST(NumberCounter, NeedsUpdateMode) {
  os::MemoryFileSystem fs;
  Station station(fs, "/n.tps");
  try {
    station.file().next_number();
    ADD_FAILURE();
  } catch (const EngineFault& f) {
    EXPECT_EQ(f.code(), fault::kNumberInReaderMode);
  }
}

TEST(PageCipher, PasswordProtectedFileRoundTripsAndRefusesAWrongPassword) {
  os::MemoryFileSystem fs;
  auto open = [&](const std::string& password, bool write) {
    auto file = std::make_unique<FileObject>(fs, "/secret.tps");
    OpenOptions options;
    options.write = options.create = write;
    options.password = password;
    int error = file->open(options);
    return std::make_pair(std::move(file), error);
  };
  {
    auto [file, error] = open("owner", true);
    ASSERT_EQ(error, 0);
    file->switch_to_update_mode();
    PageTree tree(*file);
    Station::put(tree, "secret-key", "confidential data");
    ASSERT_EQ(file->end_operation(), 0);
  }
  std::vector<uint8_t> raw = fs.contents("/secret.tps");
  std::string text(raw.begin(), raw.end());
  EXPECT_EQ(text.find("confidential"), std::string::npos);
  EXPECT_EQ(text.find("tOpS"), std::string::npos);

  auto [wrong, wrong_error] = open("intruder", false);
  EXPECT_EQ(wrong_error, 36);
  auto [right, right_error] = open("owner", false);
  ASSERT_EQ(right_error, 0);
  PageTree tree(*right);
  std::string key = "secret-key";
  RecordRef ref = tree.find_exact(testing::bytes_of(key), key.size());
  ASSERT_TRUE(ref);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(ref.record->data()), ref.record->data_length()),
            "confidential data");
  right->end_operation();
}

}  // namespace
}  // namespace tps
