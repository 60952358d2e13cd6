#include "foundation/col/array/Arrays.h"
#include "foundation/file/AtomicWrite.h"
#include "foundation/reg/MappedData.h"
#include "foundation/reg/win/RegDir.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/xml/MappedData.h"
#include "foundation/xml/Node.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using s::i16;
using s::i32;
using s::i64;
using s::i8;
using s::u16;
using s::u32;
using s::u8;
using s::col::_array::ArrayU08;
using s::map::IMappedData;
using s::str::strbuffer::StrBuffer;
using s::thread::makePooled;
using s::thread::Pooled;

namespace {

enum class Kind { File, Registry };

constexpr const char* kIdentifier = "Zarvo Snipforge";

using s::test::utf16;

/// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old, m_had = true;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { m_had ? ::setenv(m_name.c_str(), m_old.c_str(), 1) : ::unsetenv(m_name.c_str()); }

private:
    std::string m_name, m_old;
    bool m_had = false;
};

/// One store object of either kind.
struct Store {
    Pooled<s::xml::MappedData> file;
    Pooled<s::reg::MappedData> reg;
    bool opened = false;
    IMappedData* operator->() const { return file ? static_cast<IMappedData*>(file.get()) : reg.get(); }
};

class SettingsStore : public ::testing::TestWithParam<Kind> {
protected:
    SettingsStore() : m_config("XDG_CONFIG_HOME", (m_dir.path() + "/config").c_str()) {}

    Kind kind() const { return GetParam(); }

    /// Where the store of kind() keeps its values.
    std::string storedFile() const {
        if (kind() == Kind::File)
            return m_dir.file("savedata/SaveData.xml");
        return m_dir.path() + "/config/Zarvo/" + kIdentifier + "/registry.xml";
    }

    /// A new store object over the same storage.
    Store open() const {
        Store store;
        if (kind() == Kind::File) {
            store.file = makePooled<s::xml::MappedData>();
            store.opened = store.file->open(utf16(storedFile()).c_str());
        } else {
            store.reg = makePooled<s::reg::MappedData>();
            auto path = makePooled<StrBuffer>();
            s::reg::MappedData::storeKeyPath(*path, utf16(kIdentifier).c_str());
            store.opened = store.reg->open(path->c_str());
        }
        return store;
    }

    s::test::TempDir m_dir;
    ScopedEnv m_config;
};

std::u16string str(const char16_t* text) { return text; }

std::string bigText(u32 version, u32 i) {
    return "v" + std::to_string(version) + "-" + std::to_string(i) + "-" + std::string(40, 'x');
}

} // namespace

INSTANTIATE_TEST_SUITE_P(BothStores, SettingsStore, ::testing::Values(Kind::File, Kind::Registry),
                         [](const auto& info) { return info.param == Kind::File ? "FileStore" : "RegistryStore"; });

// ---------------------------------------------------------------- both stores

TEST_P(SettingsStore, TypedValuesSurviveReopening) {
    {
        Store store = open();
        ASSERT_TRUE(store.opened);
        auto bytes = makePooled<ArrayU08>();
        for (u8 b : {0x00, 0x0a, 0xff})
            bytes->append(b);
        EXPECT_TRUE(store->setU8(u"Types", u"u8", 250));
        EXPECT_TRUE(store->setU16(u"Types", u"u16", 65000));
        EXPECT_TRUE(store->setU32(u"Types", u"u32", 4000000000u));
        EXPECT_TRUE(store->setS8(u"Types", u"s8", -100));
        EXPECT_TRUE(store->setS16(u"Types", u"s16", -30000));
        EXPECT_TRUE(store->setS32(u"Types", u"s32", std::numeric_limits<i32>::min()));
        EXPECT_TRUE(store->setS64(u"Types", u"s64", std::numeric_limits<i64>::min() + 1));
        EXPECT_TRUE(store->setFloat(u"Types", u"float", 0.5f));
        EXPECT_TRUE(store->setDouble(u"Types", u"double", -1234.25));
        EXPECT_TRUE(store->setBool(u"Types", u"bool", true));
        EXPECT_TRUE(store->setString(u"Types", u"text", u" a \"quoted\" <b> & c\nd\t\u65E5\U0001F3AC "));
        EXPECT_TRUE(store->setString(u"Types", u"", u"  the group's own value  "));
        EXPECT_TRUE(store->setBytes(u"Types", u"bytes", bytes.get()));
        EXPECT_TRUE(store->setString(u"", u"Language", u"English"));
    }
    Store store = open();
    ASSERT_TRUE(store.opened);
    EXPECT_EQ(store->getU8(u"Types", u"u8", 0), 250);
    EXPECT_EQ(store->getU16(u"Types", u"u16", 0), 65000);
    EXPECT_EQ(store->getU32(u"Types", u"u32", 0), 4000000000u);
    EXPECT_EQ(store->getS8(u"Types", u"s8", 0), -100);
    EXPECT_EQ(store->getS16(u"Types", u"s16", 0), -30000);
    EXPECT_EQ(store->getS32(u"Types", u"s32", 0), std::numeric_limits<i32>::min());
    EXPECT_EQ(store->getS64(u"Types", u"s64", 0), std::numeric_limits<i64>::min() + 1);
    EXPECT_EQ(store->getFloat(u"Types", u"float", 0), 0.5f);
    EXPECT_EQ(store->getDouble(u"Types", u"double", 0), -1234.25);
    EXPECT_TRUE(store->getBool(u"Types", u"bool", false));
    EXPECT_EQ(str(store->getString(u"Types", u"TEXT", u"")), u" a \"quoted\" <b> & c\nd\t\u65E5\U0001F3AC ");
    EXPECT_EQ(str(store->getString(u"Types", u"", u"")), u"  the group's own value  ");
    EXPECT_EQ(str(store->getString(u"", u"Language", u"")), u"English");
    auto bytes = makePooled<ArrayU08>();
    ASSERT_EQ(store->getBytes(u"Types", u"bytes", bytes.get()), bytes.get());
    ASSERT_EQ(bytes->size(), 3u);
    EXPECT_EQ(bytes->get(0), 0x00);
    EXPECT_EQ(bytes->get(1), 0x0a);
    EXPECT_EQ(bytes->get(2), 0xff);
    EXPECT_EQ(store->getBytes(u"Types", u"none", bytes.get()), nullptr);
    EXPECT_EQ(bytes->size(), 3u);
}

TEST_P(SettingsStore, SettingAKeyTwiceLeavesOneValueTheSecond) {
    Store store = open();
    EXPECT_TRUE(store->setS32(u"MainWindow\\View", u"Width", 700));
    EXPECT_TRUE(store->setS32(u"MainWindow\\View", u"WIDTH", 1400));
    EXPECT_TRUE(store->setString(u"MainWindow\\View", u"Name", u"first"));
    EXPECT_TRUE(store->setString(u"MainWindow\\View", u"Name", u"second"));
    EXPECT_EQ(open()->getS32(u"MainWindow\\View", u"width", 0), 1400);
    EXPECT_EQ(str(open()->getString(u"MainWindow\\View", u"name", u"")), u"second");

    const std::string stored = s::test::readFile(storedFile());
    const std::string needle = kind() == Kind::File ? "idth=\"" : "idth\" type=";
    EXPECT_EQ(stored.find(needle), stored.rfind(needle)) << stored;
    EXPECT_EQ(stored.find("first"), std::string::npos);
}

TEST_P(SettingsStore, SlashAndBackslashAddressTheSameGroup) {
    Store store = open();
    EXPECT_TRUE(store->setS32(u"A/B/C", u"x", 1));
    EXPECT_TRUE(store->setS32(u"A\\B\\C", u"y", 2));
    EXPECT_TRUE(store->hasGroup(u"A/B"));
    EXPECT_TRUE(store->hasGroup(u"A\\B\\C"));
    Store again = open();
    EXPECT_EQ(again->getS32(u"A\\B\\C", u"x", 0), 1);
    EXPECT_EQ(again->getS32(u"A/B/C", u"y", 0), 2);
    EXPECT_TRUE(again->hasKey(u"A/B\\C", u"X"));
}

TEST_P(SettingsStore, ReadingAMissingGroupGivesTheDefaultAndCreatesNothing) {
    Store store = open();
    EXPECT_TRUE(store->setS32(u"Existing", u"k", 1));
    const std::string before = s::test::readFile(storedFile());
    EXPECT_EQ(str(store->getString(u"Missing\\Deep", u"k", u"fallback")), u"fallback");
    EXPECT_EQ(store->getS32(u"Missing\\Deep", u"k", -3), -3);
    EXPECT_EQ(store->getBytes(u"Missing", u"k", nullptr), nullptr);
    EXPECT_FALSE(store->hasKey(u"Missing", u"k"));
    EXPECT_FALSE(store->hasGroup(u"Missing"));
    EXPECT_FALSE(store->removeKey(u"Missing", u"k"));
    EXPECT_FALSE(store->hasKey(u"Existing", u"other"));
    EXPECT_EQ(s::test::readFile(storedFile()), before);
    EXPECT_FALSE(open()->hasGroup(u"Missing"));
}

TEST_P(SettingsStore, RemovingKeysAndGroupsAlsoForgetsTheGroupLastOpened) {
    Store store = open();
    EXPECT_TRUE(store->setS32(u"A\\B", u"x", 1));
    EXPECT_TRUE(store->setS32(u"A\\B", u"y", 2));
    EXPECT_TRUE(store->setS32(u"Keep", u"z", 3));
    EXPECT_TRUE(store->removeKey(u"A\\B", u"X"));
    EXPECT_FALSE(store->removeKey(u"A\\B", u"x"));
    EXPECT_EQ(store->getS32(u"A\\B", u"y", 0), 2);

    EXPECT_TRUE(store->removeGroup(u"A"));
    EXPECT_FALSE(store->hasGroup(u"A\\B"));
    EXPECT_FALSE(store->removeGroup(u"A"));
    // The group opened last was removed: setting into it makes it again.
    EXPECT_TRUE(store->setS32(u"A\\B", u"x", 5));
    Store again = open();
    EXPECT_EQ(again->getS32(u"A\\B", u"x", 0), 5);
    EXPECT_EQ(again->getS32(u"A\\B", u"y", 0), 0);
    EXPECT_EQ(again->getS32(u"Keep", u"z", 0), 3);
}

TEST_P(SettingsStore, AFailedSaveLeavesTheOldFileIntact) {
    {
        Store store = open();
        ASSERT_TRUE(store->setString(u"G", u"k", u"old"));
    }
    const std::string before = s::test::readFile(storedFile());
    ASSERT_FALSE(before.empty());

    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        // A full disk, as far as this process can tell: writes beyond 4 KiB fail.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        Store store = open();
        store->setAutoSave(false);
        const std::u16string big(20000, u'n');
        store->setString(u"G", u"k", big.c_str());
        const bool reported = kind() == Kind::File ? !store->save() : !store->setString(u"G", u"k", big.c_str());
        ::_exit(reported ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was reported as success";
    EXPECT_EQ(s::test::readFile(storedFile()), before);
    const auto folder = std::filesystem::path(storedFile()).parent_path();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "a temporary file was left";
    EXPECT_EQ(str(open()->getString(u"G", u"k", u"")), u"old");
}

// A process killed at a random moment while it saves must leave a file that
// reads completely and holds one whole saved state.
TEST_P(SettingsStore, TheStoredFileSurvivesAProcessKilledDuringSave) {
    // The file store writes the whole document per save; the registry writes
    // the document per value, so it gets fewer values.
    const u32 count = kind() == Kind::File ? 1500 : 12;
    auto writeVersion = [&](IMappedData& store, u32 version) {
        for (u32 i = 0; i < count; ++i) {
            const std::u16string key = utf16("k" + std::to_string(i));
            const std::u16string group = utf16("Big\\G" + std::to_string(i % 16));
            (void)store.setString(group.c_str(), key.c_str(), utf16(bigText(version, i)).c_str());
        }
        (void)store.setU32(u"", u"Version", version);
        return store.save();
    };
    {
        Store store = open();
        store->setAutoSave(false);
        ASSERT_TRUE(writeVersion(*store.operator->(), 0));
    }

    std::mt19937 rng(7);
    u32 lastVersion = 0;
    for (u32 round = 1; round <= 6; ++round) {
        // The writer reports its first whole save through a pipe, so that every
        // kill lands while it rewrites a file that it has already written.
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            ::close(ready[0]);
            Store store = open();
            store->setAutoSave(kind() == Kind::Registry);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            for (u32 version = round * 100000;; ++version) {
                if (!writeVersion(*store.operator->(), version) || std::chrono::steady_clock::now() > deadline)
                    ::_exit(1);
                if (version == round * 100000)
                    (void)!::write(ready[1], "s", 1);
            }
        }
        ::close(ready[1]);
        char signal = 0;
        const bool saved = ::read(ready[0], &signal, 1) == 1;
        ::close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 40000));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(saved && WIFSIGNALED(status)) << "the writer failed";

        // The file is a whole document.
        auto bytes = makePooled<ArrayU08>();
        const std::string stored = s::test::readFile(storedFile());
        bytes->append(stored.data(), static_cast<u32>(stored.size()));
        auto document = makePooled<s::xml::Node>();
        ASSERT_TRUE(document->parseUtf8(bytes.get())) << "round " << round << ": broken file";

        // Every value is one that was written whole.
        Store store = open();
        ASSERT_TRUE(store.opened);
        u32 newest = 0;
        for (u32 i = 0; i < count; ++i) {
            const std::u16string key = utf16("k" + std::to_string(i));
            const std::u16string group = utf16("Big\\G" + std::to_string(i % 16));
            const std::u16string value = store->getString(group.c_str(), key.c_str(), u"<absent>");
            ASSERT_GT(value.size(), 1u) << "round " << round << " value " << i;
            const std::string digits(value.begin() + 1, value.end()); // ASCII by construction
            const u32 version = static_cast<u32>(std::strtoul(digits.c_str(), nullptr, 10));
            ASSERT_EQ(value, utf16(bigText(version, i))) << "round " << round << " value " << i;
            ASSERT_GE(version, lastVersion);
            newest = std::max(newest, version);
            if (kind() == Kind::File) { // one save holds one version throughout
                ASSERT_EQ(version, store->getU32(u"", u"Version", 0));
            }
        }
        EXPECT_GE(newest, round * 100000);
        if (kind() == Kind::File)
            lastVersion = newest;
    }
}

// ---------------------------------------------------------------- file store

using FileStore = SettingsStore;
INSTANTIATE_TEST_SUITE_P(Xml, FileStore, ::testing::Values(Kind::File), [](const auto&) { return "FileStore"; });

TEST_P(FileStore, TheDocumentHasTheFixedLayout) {
    Store store = open();
    EXPECT_FALSE(s::test::entryExists(storedFile()));
    EXPECT_TRUE(store->setString(u"Language", u"", u"English"));
    EXPECT_TRUE(store->setS32(u"MainWindow\\View", u"Width", 700));
    EXPECT_TRUE(store->setBool(u"MainWindow/View", u"Compact", true));
    EXPECT_TRUE(store->setDouble(u"MainWindow\\View", u"Ratio", 0.5));
    EXPECT_TRUE(store->setString(u"MainWindow\\File", u"Path", u"/home/u/My Videos"));
    auto bytes = makePooled<ArrayU08>();
    for (u8 b : {0x0a, 0x0b, 0xff})
        bytes->append(b);
    EXPECT_TRUE(store->setBytes(u"", u"Data", bytes.get()));
    EXPECT_EQ(s::test::readFile(storedFile()),
              "<savedata Data=\"0a0bff\"><Language>English</Language><MainWindow>"
              "<View Width=\"700\" Compact=\"1\" Ratio=\"0.500000\"></View>"
              "<File Path=\"/home/u/My Videos\"></File></MainWindow></savedata>");
}

TEST_P(FileStore, TextValuesOfBooleansAndNumbersReadAsTheCLibraryDoes) {
    std::filesystem::create_directories(std::filesystem::path(storedFile()).parent_path());
    ASSERT_TRUE(s::test::writeFile(storedFile(), "<savedata><G a=\"true\" b=\"TRUE\" n=\"12px\" x=\"wide\" f=\"2.5e1\"/></savedata>"));
    Store store = open();
    ASSERT_TRUE(store.opened);
    EXPECT_TRUE(store->getBool(u"G", u"a", false));
    EXPECT_FALSE(store->getBool(u"G", u"b", true));
    EXPECT_EQ(store->getS32(u"G", u"n", 0), 12);
    EXPECT_EQ(store->getS32(u"G", u"x", 9), 0);
    EXPECT_EQ(store->getFloat(u"G", u"f", 0), 25.0f);
    EXPECT_TRUE(store->setBool(u"G", u"b", false));
    EXPECT_NE(s::test::readFile(storedFile()).find("b=\"0\""), std::string::npos);
}

TEST_P(FileStore, AutoSaveOffKeepsChangesInMemoryUntilSavedOrTurnedOn) {
    Store store = open();
    EXPECT_TRUE(store->setS32(u"G", u"first", 1));
    const std::string saved = s::test::readFile(storedFile());
    store->setAutoSave(false);
    EXPECT_TRUE(store->setS32(u"G", u"second", 2));
    EXPECT_TRUE(store->touch());
    EXPECT_EQ(s::test::readFile(storedFile()), saved);
    EXPECT_EQ(store->getS32(u"G", u"second", 0), 2);

    store->setAutoSave(true);
    EXPECT_EQ(s::test::readFile(storedFile()), saved);
    EXPECT_TRUE(store->setS32(u"G", u"third", 3));
    Store again = open();
    EXPECT_EQ(again->getS32(u"G", u"second", 0), 2);
    EXPECT_EQ(again->getS32(u"G", u"third", 0), 3);

    store->setAutoSave(false);
    EXPECT_TRUE(store->setS32(u"G", u"fourth", 4));
    EXPECT_TRUE(store->save());
    EXPECT_EQ(open()->getS32(u"G", u"fourth", 0), 4);
}

TEST_P(FileStore, NamesTheDocumentCannotHoldAreRefused) {
    Store store = open();
    EXPECT_TRUE(store->setS32(u"G", u"ok", 1));
    const std::string saved = s::test::readFile(storedFile());
    EXPECT_FALSE(store->setS32(u"My Group", u"k", 1));
    EXPECT_FALSE(store->setS32(u"!G", u"k", 1));
    EXPECT_FALSE(store->setS32(u"G", u"a key", 1));
    EXPECT_FALSE(store->setS32(u"G", u"a=b", 1));
    EXPECT_FALSE(store->setString(u"G", u"a>", u"v"));
    EXPECT_EQ(s::test::readFile(storedFile()), saved);
    EXPECT_EQ(open()->getS32(u"G", u"ok", 0), 1);
}

TEST_P(FileStore, ABrokenFileGivesWhatCouldBeReadAndIsRepairedBySaving) {
    std::filesystem::create_directories(std::filesystem::path(storedFile()).parent_path());
    ASSERT_TRUE(s::test::writeFile(storedFile(), "<savedata><A k=\"1\"></A><B k=\"2"));
    Store store = open();
    EXPECT_FALSE(store.opened);
    EXPECT_EQ(store->getS32(u"A", u"k", 0), 1);
    EXPECT_TRUE(store->setS32(u"C", u"k", 3));
    EXPECT_TRUE(open().opened);

    ASSERT_TRUE(s::test::writeFile(storedFile(), "garbage without markup"));
    Store fresh = open();
    EXPECT_FALSE(fresh.opened);
    EXPECT_TRUE(fresh->setS32(u"", u"k", 1));
    EXPECT_EQ(s::test::readFile(storedFile()), "<savedata k=\"1\"></savedata>");
}

// ---------------------------------------------------------------- registry store

using RegistryStore = SettingsStore;
INSTANTIATE_TEST_SUITE_P(Reg, RegistryStore, ::testing::Values(Kind::Registry),
                         [](const auto&) { return "RegistryStore"; });

TEST_P(RegistryStore, TheDocumentKeepsKeyPathsNamesAndTypes) {
    Store store = open();
    EXPECT_TRUE(store->setString(u"", u"", u"root value"));
    EXPECT_TRUE(store->setS32(u"G", u"neg", -5));
    EXPECT_TRUE(store->setS64(u"G", u"big", static_cast<i64>(0x8000000000000001ull)));
    EXPECT_TRUE(store->setFloat(u"G", u"half", 0.5f));
    EXPECT_TRUE(store->setBool(u"G\\Sub", u"on", true));
    EXPECT_TRUE(store->setString(u"G\\Sub", u"text", u"a \"b\" & c"));
    EXPECT_EQ(s::test::readFile(storedFile()),
              "<registry>\n"
              "  <key name=\"SaveData\">\n"
              "    <value name=\"\" type=\"REG_SZ\" data=\"root value\"/>\n"
              "    <key name=\"G\">\n"
              "      <value name=\"neg\" type=\"REG_DWORD\" data=\"4294967291\"/>\n"
              "      <value name=\"big\" type=\"REG_BINARY\" hex=\"0100000000000080\"/>\n"
              "      <value name=\"half\" type=\"REG_BINARY\" hex=\"0000003f\"/>\n"
              "      <key name=\"Sub\">\n"
              "        <value name=\"on\" type=\"REG_DWORD\" data=\"1\"/>\n"
              "        <value name=\"text\" type=\"REG_SZ\" data=\"a &quot;b&quot; &amp; c\"/>\n"
              "      </key>\n"
              "    </key>\n"
              "  </key>\n"
              "</registry>\n");
}

TEST_P(RegistryStore, WritesAreImmediateWhateverTheAutoSaveFlag) {
    Store store = open();
    store->setAutoSave(false);
    EXPECT_FALSE(store->isAutoSave());
    EXPECT_TRUE(store->setS32(u"G", u"k", 7));
    EXPECT_NE(s::test::readFile(storedFile()).find("data=\"7\""), std::string::npos);
    store->setAutoSave(true);
    EXPECT_TRUE(store->setS32(u"G", u"k", 8));
    EXPECT_NE(s::test::readFile(storedFile()).find("data=\"8\""), std::string::npos);
}

TEST_P(RegistryStore, AValueOfAnotherTypeReadsAsTheFallback) {
    Store store = open();
    EXPECT_TRUE(store->setString(u"G", u"text", u"12"));
    EXPECT_TRUE(store->setS32(u"G", u"number", 12));
    EXPECT_TRUE(store->setFloat(u"G", u"float", 1.5f));
    EXPECT_EQ(store->getU32(u"G", u"text", 99), 99u);
    EXPECT_EQ(str(store->getString(u"G", u"number", u"fb")), u"fb");
    EXPECT_EQ(store->getDouble(u"G", u"float", -1), -1.0);
    EXPECT_EQ(store->getS64(u"G", u"number", -1), -1);
    EXPECT_EQ(store->getBytes(u"G", u"number", nullptr), nullptr);
}

TEST_P(RegistryStore, ChangesMadeByAnotherProcessAreSeen) {
    Store store = open();
    EXPECT_TRUE(store->setS32(u"G", u"k", 1));
    EXPECT_EQ(store->getS32(u"G", u"k", 0), 1);
    const std::string replaced = "<registry><key name=\"savedata\"><key name=\"g\">"
                                 "<value name=\"K\" type=\"REG_DWORD\" data=\"42\"/></key></key></registry>";
    ASSERT_TRUE(s::file::writeFileAtomically(storedFile().c_str(), replaced.data(), replaced.size()));
    EXPECT_EQ(store->getS32(u"G", u"k", 0), 42);
    ASSERT_EQ(::unlink(storedFile().c_str()), 0);
    EXPECT_FALSE(store->hasGroup(u"G"));
    EXPECT_EQ(store->getS32(u"G", u"k", 0), 0);
}

TEST_P(RegistryStore, KeysLiveUnderTheConfigFolderOfTheProduct) {
    using s::reg::win::RegDir;
    auto dir = makePooled<RegDir>();
    EXPECT_FALSE(dir->open(u"Software\\Other\\X", true));
    EXPECT_FALSE(dir->open(u"Software\\Zarvo", true));
    EXPECT_FALSE(dir->open(u"Software\\Zarvo\\..\\x", true));
    EXPECT_FALSE(dir->open(u"Software\\Zarvo\\Product\\Missing", false));
    ASSERT_TRUE(dir->open(u"software\\zarvo\\Product\\A\\B", true));
    EXPECT_TRUE(s::test::entryExists(m_dir.path() + "/config/Zarvo/Product/registry.xml"));
    EXPECT_TRUE(RegDir::keyExists(u"Software\\Zarvo\\Product\\a\\b"));
    EXPECT_TRUE(dir->setQword(u"q", 0xFFFFFFFFFFFFFFFFull));
    s::u64 q = 0;
    EXPECT_TRUE(dir->getQword(u"Q", &q));
    EXPECT_EQ(q, 0xFFFFFFFFFFFFFFFFull);

    // A relative XDG_CONFIG_HOME is ignored in favour of ~/.config.
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/path");
    ScopedEnv home("HOME", m_dir.path().c_str());
    EXPECT_EQ(RegDir::documentPathFor(u"Product"), m_dir.path() + "/.config/Zarvo/Product/registry.xml");
    EXPECT_EQ(RegDir::documentPathFor(u"a/b"), m_dir.path() + "/.config/Zarvo/a_b/registry.xml");
}
