// File streams, stream copying and the whole-file operations.

#include "foundation/col/array/Arrays.h"
#include "foundation/file/StreamCopy.h"
#include "foundation/file/win/FileInputStream.h"
#include "foundation/file/win/FileOutputStream.h"
#include "foundation/file/win/PathWin.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <vector>

using s::i64;
using s::u32;
using s::u8;
using s::col::_array::ArrayU08;
using s::file::copyStream;
using s::file::writeFully;
using s::file::win::FileInputStream;
using s::file::win::FileOutputStream;
using s::file::win::newPath;
using s::file::win::PathHandle;
using s::test::readFile;
using s::test::TempDir;
using s::test::utf16;
using s::test::writeFile;

namespace {

i64 sizeOnDisk(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

struct StreamDeleter {
    void operator()(s::io::IInputStream* s) const { s->dispose(); }
    void operator()(FileOutputStream* s) const { s->dispose(); }
};
using InHandle = std::unique_ptr<FileInputStream, StreamDeleter>;
using OutHandle = std::unique_ptr<FileOutputStream, StreamDeleter>;

OutHandle openOut(const std::string& path, bool append) {
    OutHandle out(FileOutputStream::create());
    EXPECT_TRUE(out->open(utf16(path).c_str(), append));
    return out;
}

// A sink that takes at most `m_step` bytes per write and can be told to fail.
class TrickleSink : public s::io::IOutputStream {
public:
    explicit TrickleSink(u32 step, u32 failAfter = ~0u) : m_step(step), m_failAfter(failAfter) {}
    bool write(const void* data, u32 bytes, u32* written) override {
        if (m_data.size() >= m_failAfter)
            return false;
        const u32 n = bytes < m_step ? bytes : m_step;
        m_data.append(static_cast<const char*>(data), n);
        *written = n;
        return true;
    }
    void close() override {}
    i64 getPosition() const override { return static_cast<i64>(m_data.size()); }
    bool canSeek() const override { return false; }
    bool rewind() override { return false; }
    bool seekToEnd() override { return false; }
    bool seek(i64) override { return false; }
    bool seekFromEnd(i64) override { return false; }
    bool skip(i64) override { return false; }
    bool back(i64) override { return false; }
    void closeAndClear() override {}
    void dispose() override {}
    void release() override {}
    void reset() override {}

    std::string m_data;

private:
    u32 m_step;
    u32 m_failAfter;
};

} // namespace

TEST(FileOutputStream, FullBufferWaitsForTheNextWrite) {
    TempDir dir;
    const std::string file = dir.file("out.bin");
    auto out = openOut(file, false);
    const std::vector<u8> block(FileOutputStream::kBufferSize, 0x5A);
    u32 written = 0;
    ASSERT_TRUE(out->write(block.data(), static_cast<u32>(block.size()), &written));
    EXPECT_EQ(written, block.size());
    EXPECT_EQ(sizeOnDisk(file), 0) << "exactly filling the buffer writes nothing yet";
    EXPECT_EQ(out->buffered(), FileOutputStream::kBufferSize);

    const u8 one = 1;
    ASSERT_TRUE(out->write(&one, 1, &written));
    EXPECT_EQ(sizeOnDisk(file), FileOutputStream::kBufferSize);
    EXPECT_EQ(out->buffered(), 1u);
    EXPECT_EQ(out->getPosition(), FileOutputStream::kBufferSize + 1);

    // A write larger than the buffer goes out in buffer-sized pieces and
    // leaves its tail buffered.
    const std::vector<u8> big(3 * FileOutputStream::kBufferSize + 7, 0x11);
    ASSERT_TRUE(out->write(big.data(), static_cast<u32>(big.size()), &written));
    EXPECT_EQ(out->getPosition(), 4 * FileOutputStream::kBufferSize + 8);
    EXPECT_EQ(sizeOnDisk(file) + out->buffered(), out->getPosition());
    EXPECT_TRUE(out->closeChecked());
    EXPECT_EQ(sizeOnDisk(file), 4 * FileOutputStream::kBufferSize + 8);
}

TEST(FileOutputStream, SeeksWriteOutOnlyWhenThePositionMoves) {
    TempDir dir;
    const std::string file = dir.file("seek.bin");
    auto out = openOut(file, false);
    u32 written = 0;
    ASSERT_TRUE(out->write("hello", 5, &written));
    EXPECT_TRUE(out->seek(5));
    EXPECT_EQ(sizeOnDisk(file), 0);
    EXPECT_TRUE(out->rewind());
    EXPECT_EQ(sizeOnDisk(file), 5);
    EXPECT_EQ(out->getPosition(), 0);
    ASSERT_TRUE(out->write("J", 1, &written));
    EXPECT_TRUE(out->skip(3));
    ASSERT_TRUE(out->write("!", 1, &written));
    EXPECT_TRUE(out->seekFromEnd(0));
    EXPECT_EQ(out->getPosition(), 5);
    // The input side sees what was written, buffered bytes included.
    ASSERT_TRUE(out->write("xyz", 3, &written));
    ASSERT_TRUE(out->back(3));
    char back[4] = {};
    u32 got = 0;
    ASSERT_TRUE(out->read(back, 3, &got));
    EXPECT_EQ(std::string(back, got), "xyz");
    ASSERT_TRUE(out->seek(2));
    EXPECT_TRUE(out->truncate());
    EXPECT_TRUE(out->closeChecked());
    EXPECT_EQ(readFile(file), "Je");
}

TEST(FileOutputStream, AppendStartsAtTheEndAndMakesMissingFiles) {
    TempDir dir;
    auto fresh = openOut(dir.file("new.txt"), true);
    EXPECT_EQ(fresh->getPosition(), 0);
    fresh.reset();
    ASSERT_TRUE(writeFile(dir.file("old.txt"), "12345"));
    auto old = openOut(dir.file("old.txt"), true);
    EXPECT_EQ(old->getPosition(), 5);
    u32 written = 0;
    ASSERT_TRUE(old->write("6", 1, &written));
    old.reset();
    EXPECT_EQ(readFile(dir.file("old.txt")), "123456");

    OutHandle bad(FileOutputStream::create());
    EXPECT_FALSE(bad->open(utf16(dir.file("no/such/folder.txt")).c_str(), false));
    EXPECT_FALSE(bad->write("x", 1, &written));
    EXPECT_FALSE(bad->flush());
}

TEST(FileInputStream, ReadsSeeksAndRefusesFolders) {
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.file("in.txt"), "0123456789"));
    InHandle in(FileInputStream::create());
    ASSERT_TRUE(in->open(utf16(dir.file("in.txt")).c_str()));
    char buffer[16] = {};
    u32 got = 0;
    ASSERT_TRUE(in->skip(2));
    ASSERT_TRUE(in->read(buffer, 3, &got));
    EXPECT_EQ(std::string(buffer, got), "234");
    ASSERT_TRUE(in->back(1));
    EXPECT_EQ(in->getPosition(), 4);
    ASSERT_TRUE(in->seekFromEnd(2));
    ASSERT_TRUE(in->read(buffer, 16, &got));
    EXPECT_EQ(std::string(buffer, got), "89");
    EXPECT_FALSE(in->read(buffer, 16, &got));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(in->getPosition(), 10);

    EXPECT_FALSE(in->open(utf16(dir.path()).c_str()));
    EXPECT_FALSE(in->read(buffer, 1, &got));
    EXPECT_FALSE(in->open(utf16(dir.file("missing")).c_str()));
}

TEST(StreamCopy, WriteFullyRepeatsAndCopyStopsAtFailures) {
    TrickleSink trickle(3);
    EXPECT_TRUE(writeFully(&trickle, "abcdefghij", 10));
    EXPECT_EQ(trickle.m_data, "abcdefghij");
    EXPECT_TRUE(writeFully(nullptr, nullptr, 0));

    TempDir dir;
    std::string content;
    for (int i = 0; i < 50000; ++i)
        content.push_back(static_cast<char>('a' + i % 26));
    ASSERT_TRUE(writeFile(dir.file("src.txt"), content));
    PathHandle src(newPath(utf16(dir.file("src.txt")).c_str()));

    InHandle in(src->openInputStream());
    TrickleSink all(1000);
    EXPECT_TRUE(copyStream(in.get(), &all));
    EXPECT_EQ(all.m_data, content);

    InHandle again(src->openInputStream());
    TrickleSink failing(1000, 20000);
    EXPECT_FALSE(copyStream(again.get(), &failing));
    EXPECT_GE(failing.m_data.size(), 20000u);
    EXPECT_LT(failing.m_data.size(), content.size()) << "the copy stops at the first failed write";
}

TEST(WholeFile, ReadAllWriteAllAndWriteText) {
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.file("empty"), ""));
    auto bytes = s::thread::makePooled<ArrayU08>();
    bytes->append(static_cast<u8>(7));
    PathHandle empty(newPath(utf16(dir.file("empty")).c_str()));
    EXPECT_TRUE(empty->readAll(bytes.get()));
    EXPECT_EQ(bytes->size(), 0u);

    PathHandle text(newPath(utf16(dir.file("deep/er/abc.txt")).c_str()));
    s::str::strbuffer::StrBuffer abc;
    abc.append(u"abc");
    EXPECT_TRUE(text->writeText(abc, false));
    EXPECT_EQ(readFile(dir.file("deep/er/abc.txt")), "abc");
    EXPECT_TRUE(text->writeText(abc, true));
    EXPECT_EQ(readFile(dir.file("deep/er/abc.txt")), "abcabc");

    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary.push_back(static_cast<char>(i * 7));
    ASSERT_TRUE(writeFile(dir.file("blob.bin"), binary));
    PathHandle blob(newPath(utf16(dir.file("blob.bin")).c_str()));
    EXPECT_TRUE(blob->readAll(bytes.get()));
    EXPECT_EQ(bytes->capacity(), binary.size()) << "sized once, never grown";
    EXPECT_EQ(bytes->getPosition(), 0);
    ASSERT_EQ(bytes->size(), binary.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size()), binary);

    PathHandle copy(newPath(utf16(dir.file("new/folder/copy.bin")).c_str()));
    EXPECT_TRUE(copy->writeAll(bytes.get(), false));
    EXPECT_EQ(readFile(dir.file("new/folder/copy.bin")), binary);

    OutHandle out(copy->openOutputStream(true));
    EXPECT_EQ(out->getPosition(), static_cast<i64>(binary.size()));
    PathHandle nested(newPath(utf16(dir.file("made/by/stream.txt")).c_str()));
    OutHandle made(nested->openOutputStream(false));
    EXPECT_TRUE(made->isOpen());
}
