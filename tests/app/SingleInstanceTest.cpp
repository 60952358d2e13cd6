#include "app/win/SingleInstance.h"
#include "tests/app/AppTestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace s::app::win {
namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_env.ok()); }
    test::AppTestEnv m_env;
};

TEST_F(SingleInstanceTest, SecondStartIsRefusedAndReachesTheFirst) {
    std::atomic<int> presented{0};
    SingleInstance first("/opt/snipforge/snipforge");
    first.setPresentHandler([&](const std::vector<std::string>&) { ++presented; });
    ASSERT_TRUE(first.acquire());
    EXPECT_TRUE(first.isAcquired());
    EXPECT_EQ(first.lockPath().rfind(m_env.dir().file("run/snipforge-"), 0), 0u) << first.lockPath();

    // Another lock of the same file, even in this process, conflicts.
    SingleInstance second("/opt/snipforge/snipforge");
    EXPECT_FALSE(second.acquire());
    EXPECT_FALSE(second.isAcquired());
    EXPECT_TRUE(second.notifyRunning());
    EXPECT_TRUE(second.notifyRunning());
    EXPECT_EQ(presented.load(), 2);

    // Another installation is another program.
    SingleInstance elsewhere("/home/user/snipforge/snipforge");
    EXPECT_TRUE(elsewhere.acquire());

    first.release();
    EXPECT_FALSE(test::entryExists(first.socketPath()));
    EXPECT_FALSE(second.notifyRunning(100));
    EXPECT_TRUE(second.acquire());
}

TEST_F(SingleInstanceTest, StaleSocketOfACrashedInstanceIsReplaced) {
    SingleInstance probe("/usr/bin/snipforge");
    // A socket file nobody listens on, as a killed instance leaves it.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, probe.socketPath().c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(test::entryExists(probe.socketPath()));
    EXPECT_FALSE(probe.notifyRunning(100)); // refused: nobody answers

    std::atomic<int> presented{0};
    SingleInstance first("/usr/bin/snipforge");
    first.setPresentHandler([&](const std::vector<std::string>&) { ++presented; });
    ASSERT_TRUE(first.acquire());
    EXPECT_TRUE(probe.notifyRunning());
    EXPECT_EQ(presented.load(), 1);
}

TEST_F(SingleInstanceTest, ManyLaterStartsAtOnceAreAllAnswered) {
    std::atomic<int> presented{0};
    SingleInstance first("/usr/bin/snipforge");
    first.setPresentHandler([&](const std::vector<std::string>&) { ++presented; });
    ASSERT_TRUE(first.acquire());
    std::atomic<int> answered{0};
    std::vector<std::thread> starts;
    for (int i = 0; i < 6; ++i) {
        starts.emplace_back([&] {
            SingleInstance later("/usr/bin/snipforge");
            if (!later.acquire() && later.notifyRunning(10000))
                ++answered;
        });
    }
    for (std::thread& t : starts)
        t.join();
    EXPECT_EQ(answered.load(), 6);
    EXPECT_EQ(presented.load(), 6);
}

TEST_F(SingleInstanceTest, ARequestOtherThanPresentIsIgnored) {
    std::atomic<int> presented{0};
    SingleInstance first("/usr/bin/snipforge");
    first.setPresentHandler([&](const std::vector<std::string>&) { ++presented; });
    ASSERT_TRUE(first.acquire());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, first.socketPath().c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::write(fd, "quit\n", 5), 5);
    char answer[8];
    EXPECT_EQ(::read(fd, answer, sizeof answer), 0); // closed without an answer
    ::close(fd);
    EXPECT_EQ(presented.load(), 0);
    // The listener still serves the next start.
    SingleInstance later("/usr/bin/snipforge");
    EXPECT_TRUE(later.notifyRunning());
}

// Sends `request` in pieces of `piece` bytes on a fresh connection and
// returns what came back before the first instance closed it.
std::string sendRaw(const SingleInstance& first, const std::string& request, size_t piece = 0) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, first.socketPath().c_str(), sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return "no connection";
    }
    for (size_t at = 0; at < request.size();) {
        const size_t n = piece ? std::min(piece, request.size() - at) : request.size() - at;
        const ssize_t sent = ::send(fd, request.data() + at, n, MSG_NOSIGNAL);
        if (sent <= 0)
            break;
        at += static_cast<size_t>(sent);
        if (piece)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::string answer;
    char buffer[16];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        answer.append(buffer, static_cast<size_t>(n));
    ::close(fd);
    return answer;
}

TEST_F(SingleInstanceTest, FilesOfTheSecondStartReachTheFirstByteForByte) {
    std::mutex lock;
    std::vector<std::vector<std::string>> requests;
    SingleInstance first("/usr/bin/snipforge");
    first.setPresentHandler([&](const std::vector<std::string>& files) {
        std::lock_guard guard(lock);
        requests.push_back(files);
    });
    ASSERT_TRUE(first.acquire());

    // Names may hold anything but a zero byte: line breaks, what looks like
    // a request, bytes that are no UTF-8.
    const std::vector<std::string> names = {"/media/clip one.mp4", "/tmp/two\nlines.mkv",
                                            "/tmp/present\nopen 1\n3\n/x", "/tmp/\xff\xfe.webm"};
    SingleInstance second("/usr/bin/snipforge");
    EXPECT_TRUE(second.notifyRunning(names));
    // Relative, over-long and broken paths stay behind; what is left goes.
    const std::string longName = "/" + std::string(SingleInstance::kMaxPathBytes, 'a');
    EXPECT_TRUE(second.notifyRunning({"clip.mp4", longName, std::string("/a\0b", 4), "/ok.mp4"}));
    // Nothing sendable is a plain "present".
    EXPECT_TRUE(second.notifyRunning({"relative.mp4"}));
    // A long list is cut at the limit.
    std::vector<std::string> many;
    for (size_t i = 0; i < SingleInstance::kMaxFiles + 5; ++i)
        many.push_back("/clips/" + std::to_string(i) + ".mp4");
    EXPECT_TRUE(second.notifyRunning(many));

    std::lock_guard guard(lock);
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0], names);
    EXPECT_EQ(requests[1], std::vector<std::string>{"/ok.mp4"});
    EXPECT_TRUE(requests[2].empty());
    ASSERT_EQ(requests[3].size(), SingleInstance::kMaxFiles);
    EXPECT_EQ(requests[3].front(), "/clips/0.mp4");
    EXPECT_EQ(requests[3].back(), "/clips/63.mp4");
}

TEST_F(SingleInstanceTest, RequestsThatBreakTheRulesAreDroppedUnanswered) {
    std::atomic<int> calls{0};
    SingleInstance first("/usr/bin/snipforge");
    first.setPresentHandler([&](const std::vector<std::string>&) { ++calls; });
    ASSERT_TRUE(first.acquire());
    const std::string tooLong = std::to_string(SingleInstance::kMaxPathBytes + 1);
    for (const std::string& bad : {
             std::string("open 1\n5\nclip!"),           // not absolute
             std::string("open 1\n4\n/a\0b", 13),       // a zero byte
             std::string("open 0\n"),                   // no files
             std::string("open 65\n"),                  // too many
             std::string("open 01\n2\n/a"),             // a leading zero
             std::string("open 1\n") + tooLong + "\n/", // too long a path
             std::string("open 1\n2\n/ab"),             // more than it said
             std::string("open 2\n2\n/a\n"),            // a length line too long
             std::string("present\npresent\n"),         // two requests
             std::string("open one\n"),                 // no number
             std::string(40, 'x'),                      // no line at all
         }) {
        EXPECT_EQ(sendRaw(first, bad), "") << bad;
    }
    EXPECT_EQ(calls.load(), 0);
    // A request that arrives in small pieces is still one request.
    EXPECT_EQ(sendRaw(first, SingleInstance::requestFor({"/a/b.mp4", "/c.mkv"}), 3), "ok\n");
    EXPECT_EQ(calls.load(), 1);
}

TEST(SingleInstanceRequestTest, RequestTextCountsTheBytesOfEachPath) {
    EXPECT_EQ(SingleInstance::requestFor({}), "present\n");
    EXPECT_EQ(SingleInstance::requestFor({"/a b", "/c\nd"}), "open 2\n4\n/a b4\n/c\nd");
    std::vector<std::string> files;
    bool broken = true;
    // Incomplete is not broken: the reader waits for more.
    EXPECT_FALSE(SingleInstance::parseRequest("open 2\n4\n/a b4\n/c", &files, &broken));
    EXPECT_FALSE(broken);
    EXPECT_TRUE(SingleInstance::parseRequest("open 2\n4\n/a b4\n/c\nd", &files, &broken));
    EXPECT_EQ(files, (std::vector<std::string>{"/a b", "/c\nd"}));
}

TEST(SingleInstanceFolderTest, FallbackFolderIsPrivateToTheUser) {
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", "relative/run"); // not absolute: ignored
    const std::string folder = SingleInstance::runtimeFolder();
    ASSERT_EQ(folder, "/tmp/snipforge-" + std::to_string(::getuid()));
    struct stat st;
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u);
}

} // namespace
} // namespace s::app::win
