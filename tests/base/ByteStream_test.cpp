// Byte streams: the memory stream's block arithmetic, gaps and limits; the
// stdio stream's modes and errors; text modes; and the base operations that
// move forward by reading.

#include "ByteStream.h"

#include "GException.h"
#include "GLocale.h"
#include "GString.h"
#include "temp_directory.h"
#include "test_util.h"
#include "text_samples.h"

#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

ByteStream::Memory &memory_of(const GRef<ByteStream> &stream) {
  return static_cast<ByteStream::Memory &>(*stream);
}

std::string pattern(std::size_t n, unsigned seed = 1) {
  std::string bytes(n, '\0');
  for (std::size_t i = 0; i < n; ++i)
    bytes[i] = static_cast<char>((i * 131 + seed) % 251);
  return bytes;
}

std::string read_all(ByteStream &stream) {
  std::string out;
  char piece[777];
  while (int32_t n = stream.read(piece, sizeof piece))
    out.append(piece, static_cast<std::size_t>(n));
  return out;
}

//===-- Memory ------------------------------------------------------------===//

TEST(ByteStreamMemory, BlocksAndTableGrowInTheirSteps) {
  GRef<ByteStream> one = ByteStream::create_memory();
  EXPECT_EQ(one->write("x", 1), 1);
  EXPECT_EQ(memory_of(one).table_slots(), 16);
  EXPECT_EQ(memory_of(one).blocks_made(), 1);

  GRef<ByteStream> big = ByteStream::create_memory();
  std::string data = pattern(65537);
  EXPECT_EQ(big->write_fully(data.data(), 65537), 65537);
  EXPECT_EQ(memory_of(big).table_slots(), 32);
  EXPECT_EQ(memory_of(big).blocks_made(), 17);
  EXPECT_EQ(big->write("", 0), 0);
  EXPECT_EQ(big->write("x", -1), 0);
}

TEST(ByteStreamMemory, ReadFromCrossesBlockBorders) {
  GRef<ByteStream> stream = ByteStream::create_memory();
  std::string data = pattern(5000);
  stream->write_fully(data.data(), 5000);
  EXPECT_EQ(stream->size(), 5000);
  EXPECT_EQ(stream->tell(), 5000);
  char buffer[20];
  // 6 bytes from block 0 and 14 from block 1.
  EXPECT_EQ(stream->read_from(buffer, 20, 4090), 20);
  EXPECT_EQ(std::string(buffer, 20), data.substr(4090, 20));
  EXPECT_EQ(stream->tell(), 5000);
  EXPECT_EQ(stream->read_from(buffer, 20, 4990), 10);
  EXPECT_EQ(stream->read_from(buffer, 20, 5000), 0);
  EXPECT_EQ(stream->read_from(buffer, 20, -1), 0);

  GRef<ByteStream> short_one = ByteStream::create_memory();
  short_one->write_fully(data.data(), 4100);
  EXPECT_EQ(short_one->read_from(buffer, 20, 4090), 10);
}

TEST(ByteStreamMemory, PiecesOfAnySizeReadBackWhole) {
  std::mt19937 random(9);
  GRef<ByteStream> stream = ByteStream::create_memory();
  std::string data = pattern(100000, 7);
  std::size_t written = 0;
  while (written < data.size()) {
    std::size_t n =
        std::min<std::size_t>(random() % 9000, data.size() - written);
    stream->write_fully(data.data() + written, static_cast<int32_t>(n));
    written += n;
  }
  EXPECT_EQ(stream->seek(0), 0);
  std::string back(data.size(), '\0');
  EXPECT_EQ(stream->read_fully(back.data(), static_cast<int32_t>(back.size())),
            static_cast<int32_t>(data.size()));
  EXPECT_EQ(back, data);
}

TEST(ByteStreamMemory, SeekRules) {
  GRef<ByteStream> stream = ByteStream::create_memory();
  stream->write("12345", 5);
  EXPECT_EQ(raised_id([&] { stream->seek(-1, 0); }), "ByteStream.seek_error2");
  EXPECT_EQ(raised_id([&] { stream->seek(0, 3); }),
            "bad_arg\tByteStream::Memory::seek()");
  EXPECT_EQ(stream->seek(10, 2), 0);
  EXPECT_EQ(stream->tell(), 15);
  char c;
  EXPECT_EQ(stream->read(&c, 1), 0);
  EXPECT_EQ(stream->seek(-3, 1), 0);
  EXPECT_EQ(stream->tell(), 12);
  EXPECT_EQ(stream->size(), 5);
}

TEST(ByteStreamMemory, GapsReadAsZeroAndTakeWrites) {
  GRef<ByteStream> stream = ByteStream::create_memory();
  stream->write("head", 4);
  stream->seek(20000);
  stream->write("tail", 4);
  EXPECT_EQ(memory_of(stream).blocks_made(), 2);
  // A write into the gap once went through a block never made.
  stream->seek(9000);
  stream->write("mid", 3);
  EXPECT_EQ(memory_of(stream).blocks_made(), 3);
  EXPECT_EQ(stream->size(), 20004);
  stream->seek(0);
  std::string all = read_all(*stream);
  std::string expected(20004, '\0');
  expected.replace(0, 4, "head");
  expected.replace(9000, 3, "mid");
  expected.replace(20000, 4, "tail");
  EXPECT_EQ(all, expected);
}

TEST(ByteStreamMemory, EndBeyondTheLimitIsOutOfMemory) {
  GRef<ByteStream> stream = ByteStream::create_memory();
  stream->seek(INT32_MAX);
  EXPECT_EQ(raised_id([&] { stream->write("x", 1); }),
            "GException.outofmemory");
  EXPECT_EQ(raised_id([&] { stream->seek(1, 1); }), "GException.outofmemory");
  EXPECT_EQ(memory_of(stream).blocks_made(), 0);
}

//===-- Text modes --------------------------------------------------------===//

TEST(ByteStreamText, ModesDecideTheBytes) {
  GRef<ByteStream> stream = ByteStream::create_memory();
  EXPECT_EQ(stream->text_mode(), ByteStream::text_undecided);
  GUTF8String text("\xE4\xB8\xAD=x");
  EXPECT_EQ(stream->write_text(text), 5);
  EXPECT_EQ(stream->text_mode(), ByteStream::text_utf8);

  GLocaleGuard ascii_only(LC_CTYPE, "C");
  GRef<ByteStream> native = ByteStream::create_memory();
  native->set_text_mode(ByteStream::text_native);
  EXPECT_EQ(native->write_text(GUTF8String("plain")), 5);
  // No code page here holds U+4E2D: its UTF-8 bytes are written, unless the
  // user's default locale converts it (then to the same bytes, as UTF-8).
  native->write_text(text);
  EXPECT_EQ(native->text_mode(), ByteStream::text_native);
  native->seek(0);
  EXPECT_EQ(read_all(*native), "plain\xE4\xB8\xAD=x");
}

//===-- Base operations ---------------------------------------------------===//

TEST(ByteStreamBase, SeekMovesForwardByReading) {
  GRef<ByteStream> stream = new ForwardOnly(pattern(3000));
  EXPECT_EQ(stream->seek(2500), 0);
  EXPECT_EQ(stream->tell(), 2500);
  EXPECT_EQ(stream->seek(100, 1), 0);
  EXPECT_EQ(stream->tell(), 2600);
  EXPECT_EQ(raised_id([&] { stream->seek(10); }), "ByteStream.backward");
  EXPECT_EQ(stream->seek(10, 0, true), -1);
  EXPECT_EQ(raised_id([&] { stream->seek(5, 2); }), "ByteStream.backward");
  EXPECT_EQ(raised_id([&] { stream->seek(0, 7); }), "ByteStream.bad_arg");
  EXPECT_EQ(raised_id([&] { stream->seek(5000); }), "EOF");
}

// Reads that do not move the position, as on a device that misreports it:
// seeking forward by reading would never arrive.
class StuckPosition : public ForwardOnly {
public:
  using ForwardOnly::ForwardOnly;
  int32_t tell() const override { return 0; }
};

TEST(ByteStreamBase, SeekNoticesAPositionThatDoesNotFollowTheReads) {
  GRef<ByteStream> stream = new StuckPosition(pattern(3000));
  EXPECT_EQ(raised_id([&] { stream->seek(100); }), "ByteStream.seek");
}

TEST(ByteStreamBase, SizeOfAForwardOnlyStream) {
  GRef<ByteStream> stream = new ForwardOnly(pattern(3000));
  // The way back fails quietly; the size is still told.
  EXPECT_EQ(stream->size(), 3000);
  GRef<ByteStream> sink = new ForwardOnly("");
  EXPECT_EQ(raised_id([&] { sink->write_fully("x", 1); }),
            "ByteStream.write_error");
  EXPECT_FALSE(sink->has_static_data());
}

//===-- Stdio -------------------------------------------------------------===//

class ByteStreamStdio : public testing::Test {
protected:
  // A descriptor of a scratch file holding content, open for update.
  int scratch_descriptor(const std::string &content) {
    path_ = scratch_ / "stream.bin";
    testing_support::write_file(path_, content);
    file_ = std::fopen(path_.c_str(), "r+b");
    return file_ ? fileno(file_) : -1;
  }
  void TearDown() override {
    if (file_)
      std::fclose(file_);
  }

  testing_support::TempDirectory scratch_;
  std::string path_;
  std::FILE *file_ = nullptr;
};

TEST_F(ByteStreamStdio, ReadsWritesAndKeepsTheCallersDescriptor) {
  int fd = scratch_descriptor("hello, world");
  ASSERT_GE(fd, 0);
  {
    GRef<ByteStream> in = ByteStream::create_stdio(fd, "rb", false);
    char buffer[5];
    EXPECT_EQ(in->read_fully(buffer, 5), 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_EQ(in->tell(), 5);
    EXPECT_EQ(in->size(), 12);
    EXPECT_EQ(in->tell(), 5);
    EXPECT_EQ(in->seek(7), 0);
    EXPECT_EQ(read_all(*in), "world");
    EXPECT_EQ(raised_id([&] { in->write("x", 1); }), "ByteStream.no_write");
  }
  {
    GRef<ByteStream> both = ByteStream::create_stdio(fd, "r+b", false);
    both->seek(0, 2);
    EXPECT_EQ(both->write_text(GUTF8String("!")), 1);
    both->flush();
    both->seek(0);
    EXPECT_EQ(read_all(*both), "hello, world!");
  }
  // Both streams read and wrote through copies: the caller's still works.
  EXPECT_EQ(std::fseek(file_, 0, SEEK_SET), 0);
  char first = 0;
  EXPECT_EQ(std::fread(&first, 1, 1, file_), 1u);
  EXPECT_EQ(first, 'h');
}

TEST_F(ByteStreamStdio, ModesAndFailures) {
  int fd = scratch_descriptor("data");
  ASSERT_GE(fd, 0);
  GRef<ByteStream> out = ByteStream::create_stdio(fd, "ab", false);
  char c;
  EXPECT_EQ(raised_id([&] { out->read(&c, 1); }), "ByteStream.no_read");
  EXPECT_EQ(raised_id([&] { ByteStream::create_stdio(fd, "rt", false); }),
            "ByteStream.bad_mode");
  EXPECT_EQ(raised_id([&] { ByteStream::create_stdio(-1, "rb", true); }),
            "ByteStream.open_fail2");
  ByteStream::Stdio bare;
  EXPECT_STREQ(bare.init(nullptr, "rbq", false), "ByteStream.bad_mode");
}

TEST_F(ByteStreamStdio, StandardStreamsWithoutOpening) {
  GRef<ByteStream> err = ByteStream::create_stdio(2, nullptr, false);
  EXPECT_EQ(stderr_of([&] {
              err->write_fully("to stderr", 9);
              err->flush();
            }),
            "to stderr");
  char c;
  EXPECT_EQ(raised_id([&] { err->read(&c, 1); }), "ByteStream.no_read");
  GRef<ByteStream> in = ByteStream::create_stdio(0, nullptr, false);
  EXPECT_EQ(raised_id([&] { in->write("x", 1); }), "ByteStream.no_write");
}

//===-- The exception report ----------------------------------------------===//

TEST(ByteStreamReport, ReportGoesThroughTheErrorStream) {
  // A non-ASCII parameter reaches standard error whole, in the native code
  // page or, failing that, as UTF-8.
  std::string report = stderr_of(
      [] { GException("IRIS.detected\t0x0001\tcaf\xC3\xA9").print_report(); });
  EXPECT_EQ(report.substr(0, 33),
            "***" + unrecognized("IRIS.detected").substr(0, 30));
  EXPECT_NE(report.find("\t   Parameter: ca"), std::string::npos);
  EXPECT_EQ(report.substr(report.size() - 2), "\n\n");
  EXPECT_EQ(stderr_of([] { print_error_text("%d%%\n", 50); }), "50%\n");
}

} // namespace
