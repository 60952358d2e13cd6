// "Save as Image" without a window: the proposed name and the order of the
// types, the remembered folder and extension, and what is (and is not)
// written, through a save dialog that the test answers.

#include "foundation/file/win/PathWin.h"
#include "foundation/xml/MappedData.h"
#include "gui/dialogs/win/FileOpener.h"
#include "image/win/BufferedImage.h"
#include "mainwindow/snipforge/Dialog.h"
#include "mainwindow/snipforge/ImageTypes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using s::i32;
using s::i64;
using s::str::strbuffer::StrBuffer;
using s::test::utf16;
using s::test::utf8;
using namespace s::video::gui::dialogs::snipforge;
namespace dnd = s::gui::dialogs::dragndrop;

namespace {

std::vector<std::string> offered(std::u16string_view extension) {
    std::vector<std::string> out;
    for (const ImageTypeInfo* type : offeredImageTypes(extension))
        out.push_back(utf8(type->extension));
    return out;
}

TEST(SaveImageNames, CaptureNamesCountUpPastTakenOnes) {
    s::test::TempDir dir;
    EXPECT_EQ(utf8(proposedCaptureName(dir.u16(), u"png")), "capture.png");
    ASSERT_TRUE(s::test::writeFile(dir.file("capture.png"), "x"));
    EXPECT_EQ(utf8(proposedCaptureName(dir.u16(), u"png")), "capture (1).png");
    // A dangling link takes a name too.
    ASSERT_EQ(::symlink("nowhere", dir.file("capture (1).png").c_str()), 0);
    EXPECT_EQ(utf8(proposedCaptureName(dir.u16(), u"png")), "capture (2).png");
    // Other extensions are other names; the extension is kept as remembered.
    EXPECT_EQ(utf8(proposedCaptureName(dir.u16(), u"JPEG")), "capture.JPEG");
    EXPECT_EQ(utf8(proposedCaptureName(dir.u16() + u"/", u"png")), "capture (2).png");
}

TEST(SaveImageNames, TheRememberedTypeComesFirstThenTheFixedOrder) {
    EXPECT_EQ(offered(u"png"), (std::vector<std::string>{"png", "jpg", "gif", "bmp", "ico"}));
    EXPECT_EQ(offered(u"JPEG"), (std::vector<std::string>{"jpg", "gif", "png", "bmp", "ico"}));
    EXPECT_EQ(offered(u"icon"), (std::vector<std::string>{"ico", "jpg", "gif", "png", "bmp"}));
    EXPECT_EQ(offered(u"tif"), (std::vector<std::string>{"jpg", "gif", "png", "bmp", "ico"}));
    EXPECT_EQ(offered(u""), offered(u"tif"));
}

TEST(SaveImageNames, ExtensionsSelectTypesAsWholeTextsInAnyCase) {
    struct Case {
        const char16_t* extension;
        const char16_t* type; // null: none
    } cases[] = {
        {u"jpg", u"jpg"},   {u"JPEG", u"jpg"}, {u"Jpeg", u"jpg"},  {u"gif", u"gif"},  {u"PNG", u"png"},
        {u"bmp", u"bmp"},   {u"ico", u"ico"},  {u"ICON", u"ico"},  {u"tif", nullptr}, {u"jp", nullptr},
        {u"jpgx", nullptr}, {u"", nullptr},    {u"png ", nullptr},
    };
    for (const Case& c : cases) {
        const ImageTypeInfo* type = imageTypeForExtension(c.extension);
        EXPECT_EQ(type ? utf8(type->extension) : "none", c.type ? utf8(c.type) : "none") << utf8(c.extension);
    }
    EXPECT_EQ(utf8(extensionOf(u"/a/b.c/frame.JPEG")), "JPEG");
    EXPECT_EQ(utf8(extensionOf(u"/a/b.c/frame")), "");
    EXPECT_EQ(utf8(extensionOf(u"/a/.png")), "");
}

TEST(SaveImageNames, PickingJpegWhileTheNameReadsCapturePngAppendsJpg) {
    const std::u16string pattern = imageTypeInfo(ImageType::kJpeg).pattern;
    EXPECT_EQ(utf8(s::gui::dialogs::win::FileOpener::nameForTypeChange(u"/d/capture.png", pattern)),
              "/d/capture.png.jpg");
    EXPECT_EQ(utf8(imageTypeForExtension(extensionOf(u"/d/capture.png.jpg"))->extension), "jpg");
}

// The save dialog and the messages, answered by the test.
class FakeMenu final : public dnd::IMenuView {
public:
    void setFileRadioMark(i32) override {}
    void insertFileRadioEntry(i32, i32, const char16_t*) override {}
    void setItemText(i32, const char16_t*) override {}
    bool isItemChecked(i32) const override { return false; }
    void setItemChecked(i32, bool) override {}
    void setLanguageRadioMark(i32) override {}
    void setKeepOnTopBox(bool) override {}
    bool askFolder(const char16_t*, const char16_t*, StrBuffer&) override { return false; }
    bool askFilesToOpen(const char16_t*, const char16_t*, const char16_t*,
                        s::str::strarray::StrArray&) override {
        return false;
    }
    void openUrl(const char16_t*) override {}
    void showVersionWindow() override {}
    void relayoutAndFit() override {}
    bool askFileToSave(const char16_t* folder, const char16_t* name, const std::vector<FileType>& offered,
                       std::u16string& chosen) override {
        ++asked;
        startFolder = utf8(folder);
        fileName = utf8(name);
        types.clear();
        for (const FileType& type : offered)
            types.push_back(utf8(type.description) + " " + utf8(type.pattern));
        if (whileOpen)
            whileOpen();
        if (answer.empty())
            return false;
        chosen = utf16(answer);
        return true;
    }

    int asked = 0;
    std::string startFolder;
    std::string fileName;
    std::vector<std::string> types;
    std::string answer; // empty: cancelled
    std::function<void()> whileOpen;
};

class FakeView final : public ICutterView {
public:
    i64 sliderPosition(i32) const override { return 0; }
    void setSliderPosition(i32, i64) override {}
    void setSliderRange(i32, i64) override {}
    void timeText(i32, StrBuffer& out) const override { out.setUtf8("0:00:00"); }
    void setTimeText(i32, const char16_t*) override {}
    void setTimeFieldWidth(i32) override {}
    void setTimeInvalid(i32, bool) override {}
    bool isMarkerChecked(i32) const override { return false; }
    void setMarkerChecked(i32, bool) override {}
    void setCutModeChecked(i32, bool) override {}
    void setFramesRowShown(bool) override {}
    void relayoutAndFit() override {}
    s::image::win::BufferedImage* previewImage() override { return &preview; }
    void setPreviewUpdating(bool) override {}
    void redrawPreview() override {}

    s::image::win::BufferedImage preview;
};

class Messages final : public dnd::IDialogObserver {
public:
    void onMessage(const char16_t* text) override { texts.push_back(utf8(text)); }
    std::vector<std::string> texts;
};

class SaveImage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_store->open(m_storeDir.u16("SaveData.xml").c_str()));
        m_context.settings = m_store.get();
        m_dialog = std::make_unique<Dialog>(m_context);
        m_dialog->setView(&m_view);
        m_dialog->setMenuView(&m_menu);
        m_dialog->setObserver(&m_messages);
        ASSERT_TRUE(m_view.preview.allocate(64, 48));
        m_view.preview.fill(255, 200, 40, 10);
    }
    void TearDown() override {
        m_dialog->setView(nullptr);
        m_dialog->setMenuView(nullptr);
        m_dialog->setObserver(nullptr);
    }
    std::string stored(const char16_t* key) {
        return utf8(m_store->getString(dnd::kViewGroup, key, u"<none>"));
    }
    /// Remembers the test's folder as the last one used.
    void useFolder() { m_store->setString(dnd::kViewGroup, u"LastAccessedDirPath", m_dir.u16().c_str()); }
    std::vector<std::string> entries() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    s::test::TempDir m_dir;
    s::test::TempDir m_storeDir;
    s::thread::Pooled<s::xml::MappedData> m_store = s::thread::makePooled<s::xml::MappedData>();
    dnd::DialogContext m_context;
    FakeMenu m_menu;
    FakeView m_view;
    Messages m_messages;
    std::unique_ptr<Dialog> m_dialog;
};

TEST_F(SaveImage, NothingHappensWhileThePlaceholderIsOnShow) {
    ASSERT_TRUE(m_view.preview.allocate(16, 9));
    m_dialog->saveFrameAsImage();
    ASSERT_TRUE(m_view.preview.allocate(17, 9));
    m_dialog->saveFrameAsImage();
    EXPECT_EQ(m_menu.asked, 0);
}

TEST_F(SaveImage, FirstUseProposesCapturePngOnTheDesktopAndACancelStoresNothing) {
    m_dialog->saveFrameAsImage();
    ASSERT_EQ(m_menu.asked, 1);
    EXPECT_EQ(m_menu.startFolder, s::file::win::desktopFolder().toStdString());
    EXPECT_EQ(m_menu.fileName.substr(0, 7), "capture");
    EXPECT_EQ(m_menu.fileName.substr(m_menu.fileName.size() - 4), ".png");
    EXPECT_EQ(m_menu.types,
              (std::vector<std::string>{"PNG files (*.png) *.png", "JPG files (*.jpg, *.jpeg) *.jpeg;*.jpg",
                                        "GIF files (*.gif) *.gif", "BMP files (*.bmp) *.bmp",
                                        "ICO files (*.ico) *.ico"}));
    EXPECT_EQ(stored(u"LastAccessedDirPath"), "<none>");
    EXPECT_EQ(stored(u"LastScreenshotExtension"), "<none>");
    EXPECT_TRUE(m_messages.texts.empty());
}

TEST_F(SaveImage, AnUpperCaseJpegNameWritesJpegAndIsOfferedFirstNextTime) {
    useFolder();
    m_menu.answer = m_dir.file("frame.JPEG");
    m_dialog->saveFrameAsImage();
    EXPECT_EQ(m_menu.fileName, "capture.png");
    const std::string bytes = s::test::readFile(m_dir.file("frame.JPEG"));
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_EQ(stored(u"LastScreenshotExtension"), "JPEG");
    EXPECT_EQ(stored(u"LastAccessedDirPath"), m_dir.path());
    EXPECT_TRUE(m_messages.texts.empty()) << "no message after a save";

    m_menu.answer.clear();
    m_dialog->saveFrameAsImage();
    EXPECT_EQ(m_menu.startFolder, m_dir.path());
    EXPECT_EQ(m_menu.fileName, "capture.JPEG");
    ASSERT_FALSE(m_menu.types.empty());
    EXPECT_EQ(m_menu.types[0], "JPG files (*.jpg, *.jpeg) *.jpeg;*.jpg");
}

TEST_F(SaveImage, TakenCaptureNamesAreCountedInTheRememberedFolder) {
    useFolder();
    ASSERT_TRUE(s::test::writeFile(m_dir.file("capture.png"), "x"));
    m_menu.answer = m_dir.file("capture (1).png");
    m_dialog->saveFrameAsImage();
    EXPECT_EQ(m_menu.fileName, "capture (1).png");
    m_dialog->saveFrameAsImage();
    EXPECT_EQ(m_menu.fileName, "capture (2).png");
    EXPECT_EQ(s::test::readFile(m_dir.file("capture (1).png")).substr(1, 3), "PNG");
}

TEST_F(SaveImage, ANameOfNoSupportedTypeWritesNothingSaysWhichAreAndIsRemembered) {
    useFolder();
    for (const char* name : {"frame.tif", "frame"}) {
        SCOPED_TRACE(name);
        m_messages.texts.clear();
        m_menu.answer = m_dir.file(name);
        m_dialog->saveFrameAsImage();
        EXPECT_TRUE(entries().empty());
        ASSERT_EQ(m_messages.texts.size(), 1u);
        EXPECT_NE(m_messages.texts[0].find("bmp, gif, ico, icon, jpeg, jpg, png"), std::string::npos)
            << m_messages.texts[0];
    }
    m_store->setString(dnd::kViewGroup, u"LastScreenshotExtension", u"x");
    m_menu.answer = m_dir.file("frame.tif");
    m_dialog->saveFrameAsImage();
    EXPECT_EQ(stored(u"LastScreenshotExtension"), "tif");
    m_menu.answer.clear();
    m_dialog->saveFrameAsImage();
    EXPECT_EQ(m_menu.fileName, "capture.tif");
    EXPECT_EQ(m_menu.types[0], "JPG files (*.jpg, *.jpeg) *.jpeg;*.jpg");
}

TEST_F(SaveImage, AnIconSettingWithoutSizesWritesNothingAndSaysSo) {
    useFolder();
    for (const char16_t* key : {u"Size016", u"Size024", u"Size032", u"Size048"})
        m_store->setBool(u"MainWindow\\ConvertTo\\Ico\\IcoEncodeSetting", key, false);
    m_menu.answer = m_dir.file("frame.ico");
    m_dialog->saveFrameAsImage();
    EXPECT_TRUE(entries().empty());
    EXPECT_EQ(m_messages.texts.size(), 1u);
}

TEST_F(SaveImage, AMissingFolderIsMadeAndOneThatCannotBeSaysWhyAndLeavesNoFileBehind) {
    m_menu.answer = m_dir.file("new/frame.png");
    m_dialog->saveFrameAsImage();
    EXPECT_TRUE(m_messages.texts.empty());
    EXPECT_EQ(s::test::readFile(m_dir.file("new/frame.png")).substr(1, 3), "PNG");
    ASSERT_EQ(::unlink(m_dir.file("new/frame.png").c_str()), 0);
    ASSERT_EQ(::rmdir(m_dir.file("new").c_str()), 0);

    // A file stands where the folder would have to be.
    ASSERT_TRUE(s::test::writeFile(m_dir.file("gone"), "x"));
    m_menu.answer = m_dir.file("gone/frame.png");
    m_dialog->saveFrameAsImage();
    ASSERT_EQ(m_messages.texts.size(), 1u);
    EXPECT_NE(m_messages.texts[0].find("gone/frame.png"), std::string::npos);
    EXPECT_NE(m_messages.texts[0].find("Not a directory"), std::string::npos) << m_messages.texts[0];
    EXPECT_EQ(entries(), std::vector<std::string>{"gone"});
}

TEST_F(SaveImage, AFullDiskSaysWhyAndKeepsTheOldFileWhole) {
    const std::string disk = m_dir.file("disk");
    ASSERT_EQ(::mkdir(disk.c_str(), 0755), 0);
    if (::mount("snipforge-test", disk.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno) << ")";
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk};
    ASSERT_TRUE(s::test::writeFile(disk + "/frame.bmp", "old picture"));
    // 360 KB of BMP does not fit on 64 KB.
    ASSERT_TRUE(m_view.preview.allocate(400, 300));
    m_menu.answer = disk + "/frame.bmp";
    m_dialog->saveFrameAsImage();
    ASSERT_EQ(m_messages.texts.size(), 1u);
    EXPECT_NE(m_messages.texts[0].find("No space left on device"), std::string::npos) << m_messages.texts[0];
    EXPECT_EQ(s::test::readFile(disk + "/frame.bmp"), "old picture");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(disk))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"frame.bmp"}) << "a partial file was left";
}

TEST_F(SaveImage, TheFrameIsCopiedWhenTheDialogOpensAndAConfirmedFileIsReplaced) {
    ASSERT_TRUE(s::test::writeFile(m_dir.file("frame.bmp"), "old picture"));
    m_menu.answer = m_dir.file("frame.bmp");
    // A new frame arrives while the dialog is open.
    m_menu.whileOpen = [this] { m_view.preview.fill(255, 0, 0, 255); };
    m_dialog->saveFrameAsImage();
    const std::string bytes = s::test::readFile(m_dir.file("frame.bmp"));
    ASSERT_EQ(bytes.size(), 54u + 64 * 48 * 3);
    // BGR of the first pixel: the picture on show when the user clicked.
    EXPECT_EQ(static_cast<unsigned char>(bytes[54]), 10);
    EXPECT_EQ(static_cast<unsigned char>(bytes[55]), 40);
    EXPECT_EQ(static_cast<unsigned char>(bytes[56]), 200);
    EXPECT_EQ(entries(), std::vector<std::string>{"frame.bmp"});
}

} // namespace
