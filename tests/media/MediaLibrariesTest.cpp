#include "media/system/win/MediaLibraries.h"
#include "foundation/str/StrBuffer.h"
#include "media/system/MessageSink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using s::str::strbuffer::StrBuffer;
using namespace s::system;
using namespace s::system::win;

class RecordingSink : public IMessageSink {
public:
    RecordingSink() { setMessageSink(this); }
    ~RecordingSink() override { setMessageSink(nullptr); }
    void showInfo(const StrBuffer& text) override { messages.push_back(text.toStdString()); }
    std::vector<std::string> messages;
};

const MediaLibrary& libraryNamed(const std::vector<MediaLibrary>& libraries, const char* prefix) {
    for (const MediaLibrary& library : libraries) {
        if (std::string(library.fileName).starts_with(prefix))
            return library;
    }
    ADD_FAILURE() << "no library " << prefix;
    return libraries.front();
}

TEST(MediaLibrariesTest, LoadsOnceThenReturnsTheStoredResultUntilShutdown) {
    RecordingSink sink;
    ASSERT_TRUE(loadMediaLibraries()) << (sink.messages.empty() ? "" : sink.messages.front());
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_TRUE(mediaLibrariesLoaded());
    EXPECT_TRUE(loadMediaLibraries());
    EXPECT_TRUE(sink.messages.empty());

    unloadMediaLibraries();
    EXPECT_FALSE(mediaLibrariesLoaded());
    // The load is not attempted again after shutdown.
    EXPECT_FALSE(loadMediaLibraries());
    EXPECT_TRUE(sink.messages.empty());
}

TEST(MediaLibrariesTest, NamesTheLibrariesAndEveryPieceTheCutsNeed) {
    const std::vector<MediaLibrary>& libraries = mediaLibraries();
    ASSERT_EQ(libraries.size(), 5u);
    EXPECT_TRUE(std::string(libraries[0].fileName).starts_with("libavcodec.so."));
    EXPECT_TRUE(std::string(libraries[1].fileName).starts_with("libavformat.so."));
    std::vector<std::string> pieces;
    for (const MediaLibrary& library : libraries) {
        for (const MediaPiece& piece : library.pieces)
            pieces.push_back(std::to_string(piece.kind) + piece.name);
    }
    for (const char* needed :
         {"0libx264", "0aac", "0bmp", "2mp4", "2mov", "23gp", "23g2", "2matroska", "2webm", "2image2"}) {
        EXPECT_NE(std::find(pieces.begin(), pieces.end(), needed), pieces.end()) << needed;
    }
    RecordingSink sink;
    EXPECT_TRUE(checkMediaLibraries(libraries));
    EXPECT_TRUE(sink.messages.empty());
}

TEST(MediaLibrariesTest, AMissingPieceNamesItThenItsLibraryAndStopsTheCheck) {
    std::vector<MediaLibrary> libraries = mediaLibraries();
    libraries[0].pieces.push_back({MediaPiece::kEncoder, "no_such_encoder"});
    libraries[1].pieces.insert(libraries[1].pieces.begin(), {MediaPiece::kMuxer, "no_such_muxer"});
    RecordingSink sink;
    EXPECT_FALSE(checkMediaLibraries(libraries));
    const std::string file = libraries[0].fileName;
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0], file + ": encoder no_such_encoder not found!");
    EXPECT_EQ(sink.messages[1], "Failed to Load " + file + "!!\nError Code - 2");
}

TEST(MediaLibrariesTest, AnotherMajorVersionAtRunTimeFailsTheLibrary) {
    MediaLibrary library = libraryNamed(mediaLibraries(), "libavutil");
    const unsigned built = library.buildMajor;
    library.buildMajor = built + 1;
    RecordingSink sink;
    EXPECT_FALSE(checkMediaLibrary(library));
    ASSERT_EQ(sink.messages.size(), 2u);
    const std::string file = library.fileName;
    EXPECT_EQ(sink.messages[0], file + ": version " + std::to_string(built + 1) + " (run-time " +
                                    std::to_string(built) + ") not found!");
    EXPECT_TRUE(sink.messages[1].starts_with("Failed to Load " + file + "!!\nError Code - "));
}

TEST(MediaLibrariesTest, WithoutASinkNoticesGoToStandardError) {
    setMessageSink(nullptr);
    StrBuffer text;
    text.append("Failed to Load x!!\nError Code - 2");
    testing::internal::CaptureStderr();
    showInfo(text);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to Load x!!\nError Code - 2\n");
}

} // namespace
