// The sounds over a media backend that cannot play: Qt's GStreamer backend with no GStreamer
// plugins at all, as on a system without them. Nothing is played and nothing crashes; the
// window says so once, at the start. The environment is set before anything of Qt Multimedia
// runs in this program.

#include <cstdlib>

#include "platform/qt/qt_ports.h"
#include "window_fixture.h"

namespace corvala {
namespace {

const bool kBackendWithoutPlugins = [] {
    const std::string none = std::filesystem::temp_directory_path() / "corvala-no-gstreamer-plugins";
    ::setenv("QT_MEDIA_BACKEND", "gstreamer", 1);
    ::setenv("GST_PLUGIN_SYSTEM_PATH_1_0", none.c_str(), 1);
    ::setenv("GST_PLUGIN_PATH_1_0", none.c_str(), 1);
    ::setenv("GST_REGISTRY_1_0", (none + ".registry").c_str(), 1);
    return true;
}();

class SoundWithoutBackendTest : public test::WindowFixture {
protected:
    SoundWithoutBackendTest() {
        // Any bytes do: the backend falls over when a player is made, before it reads the file.
        for (const char* file : {kFillSoundFile, kStopSoundFile}) test::WriteFile(dir.Sub(file), "ID3 not really");
    }
};

TEST_F(SoundWithoutBackendTest, AFillWithItsSoundOnPlaysNothingAndTheStartSaysSoOnce) {
    ASSERT_TRUE(kBackendWithoutPlugins);
    EXPECT_NE(sim().display().message.text.find("約定音と逆指音は鳴りません"), std::string::npos)
        << sim().display().message.text;
    ASSERT_TRUE(sim().display().fillSoundOption);
    QtSound sound;
    EXPECT_FALSE(sound.canPlay());
    sound.Play(dir.Sub(kFillSoundFile));  // no player is made for it

    // A market buy before the open fills at the opening print, with 約定音 on.
    PressStart();
    Advance(3800);
    PlaceMarketBuy("100");
    sim().replay().PressPlayback(kPlayPause);
    RunUntil([&] { return !sim().trading().fills().empty(); });
    Advance(2000);  // past the sound's moment
    EXPECT_EQ(sim().trading().fills().size(), 1u);
    EXPECT_EQ(sim().display().message.text.find("鳴りません"), std::string::npos);  // said once, at the start
}

}  // namespace
}  // namespace corvala
