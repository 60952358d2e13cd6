#include "app/win/SingleInstance.h"
#include "tests/app/AppTestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
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
    first.setPresentHandler([&] { ++presented; });
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
    first.setPresentHandler([&] { ++presented; });
    ASSERT_TRUE(first.acquire());
    EXPECT_TRUE(probe.notifyRunning());
    EXPECT_EQ(presented.load(), 1);
}

TEST_F(SingleInstanceTest, ManyLaterStartsAtOnceAreAllAnswered) {
    std::atomic<int> presented{0};
    SingleInstance first("/usr/bin/snipforge");
    first.setPresentHandler([&] { ++presented; });
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
    first.setPresentHandler([&] { ++presented; });
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
