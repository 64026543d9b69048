// The show's sound, through the real media player against the private sound server that
// run-with-sound-server.sh starts.

#include "slideshow/PlayerKit.h"
#include "slideshow/SlideShowDlg.h"

#include <QCheckBox>
#include <QLineEdit>

#include <QFile>
#include <QMediaPlayer>
#include <QProcess>
#include <QStandardPaths>

#include <cmath>
#include <cstdlib>

namespace tsl {
namespace {

using test::PlayerTest;

// A two-second mono 16-bit tone as a WAV file.
QString WriteTone(const QString& path) {
    const int rate = 8000, samples = rate * 2;
    QByteArray data;
    for (int i = 0; i < samples; ++i) {
        const auto v = static_cast<qint16>(8000 * std::sin(i * 2 * 3.14159265 * 440 / rate));
        data += static_cast<char>(v & 0xFF);
        data += static_cast<char>((v >> 8) & 0xFF);
    }
    auto le32 = [](quint32 v) {
        QByteArray b;
        for (int s = 0; s < 32; s += 8)
            b += static_cast<char>((v >> s) & 0xFF);
        return b;
    };
    auto le16 = [](quint16 v) {
        QByteArray b;
        b += static_cast<char>(v & 0xFF);
        b += static_cast<char>(v >> 8);
        return b;
    };
    QByteArray wav = "RIFF" + le32(36 + data.size()) + "WAVEfmt " + le32(16) + le16(1) + le16(1) +
                     le32(rate) + le32(rate * 2) + le16(2) + le16(16) + "data" + le32(data.size()) +
                     data;
    return test::WriteFile(path, wav);
}

class Sound : public PlayerTest {
protected:
    void SetUp() override {
        if (!std::getenv("TSL_SOUND_SERVER")) GTEST_SKIP() << "no private sound server";
        model.imageEntries << Picture(QStringLiteral("a.png")) << Picture(QStringLiteral("b.png"));
        model.soundFile = WriteTone(dir + QStringLiteral("/tone.wav"));
        model.useSound = 1;
    }
    bool PlaysSoon() {
        return QTest::qWaitFor([this] { return player->Media().IsPlaying(); }, 5000);
    }
};

TEST_F(Sound, AShowWithSoundStartsPlaybackAndItsEndStopsIt) {
    Play();
    EXPECT_EQ(player->Media().GetFileName(), model.soundFile);
    ASSERT_TRUE(PlaysSoon());
    EXPECT_EQ(player->Media().Player()->loops(), 1);
    const bool advanced =
        QTest::qWaitFor([this] { return player->Media().Player()->position() > 0; }, 5000);
    ASSERT_TRUE(advanced) << player->Media().Player()->mediaStatus() << " "
                          << player->Media().Player()->errorString().toStdString() << " "
                          << player->Media().Player()->duration();
    // The sound reaches the server as a stream of the null sink.
    const QString pactl = QStandardPaths::findExecutable(QStringLiteral("pactl"));
    if (!pactl.isEmpty()) {
        QProcess list;
        list.start(pactl, {QStringLiteral("list"), QStringLiteral("short"),
                           QStringLiteral("sink-inputs")});
        ASSERT_TRUE(list.waitForFinished(5000));
        EXPECT_FALSE(list.readAllStandardOutput().trimmed().isEmpty());
    }
    QTest::keyClick(player.get(), Qt::Key_Escape);
    EXPECT_TRUE(player->Ended());
    EXPECT_FALSE(player->Media().IsPlaying());
    EXPECT_EQ(player->Media().Player()->playbackState(), QMediaPlayer::StoppedState);
}

TEST_F(Sound, ALoopedSoundPlaysTenThousandTimesUntilTheShowRunsOut) {
    model.soundLoop = 1;
    Play();
    EXPECT_EQ(player->Media().GetPlayCount(), 10000);
    ASSERT_TRUE(PlaysSoon());
    EXPECT_EQ(player->Media().Player()->loops(), 10000);
    QTest::keyClick(player.get(), Qt::Key_Right);
    QTest::keyClick(player.get(), Qt::Key_Right); // past the last slide
    EXPECT_TRUE(player->Ended());
    EXPECT_FALSE(player->Media().IsPlaying());
}

TEST_F(Sound, AMissingOrUnusedSoundLeavesTheShowSilent) {
    model.soundFile = dir + QStringLiteral("/none.wav");
    Play();
    EXPECT_TRUE(player->Media().GetFileName().isEmpty());
    EXPECT_EQ(player->Media().Player(), nullptr);
    EXPECT_FALSE(player->Ended());
    QTest::keyClick(player.get(), Qt::Key_Escape);

    model.soundFile = WriteTone(dir + QStringLiteral("/t2.wav"));
    model.useSound = 0;
    Play();
    EXPECT_EQ(player->Media().Player(), nullptr);
}

TEST_F(Sound, AnEmptyFileNameStopsWhatPlays) {
    CMediaPlayer2 media;
    media.SetFileName(model.soundFile);
    ASSERT_TRUE(QTest::qWaitFor([&] { return media.IsPlaying(); }, 5000));
    media.SetFileName(QString());
    EXPECT_FALSE(media.IsPlaying());
    EXPECT_TRUE(media.GetFileName().isEmpty());
}

TEST_F(Sound, TheEditorPreviewsItsSoundAndStopsItOnlyWhenAShowPlays) {
    CSlideShowDlg editor;
    editor.show();
    bool playingWhenShown = true;
    int plays = 0;
    editor.SetPlayFunction([&](CSlideShowModel&) {
        ++plays;
        playingWhenShown = editor.Media().IsPlaying();
    });
    auto click = [&](int id) {
        editor.Control<QAbstractButton>(id)->click();
    };
    click(CSlideShowDlg::IDC_USE_SOUND);
    editor.Control<QLineEdit>(CSlideShowDlg::IDC_SOUND_FILE)->setText(model.soundFile);
    ASSERT_TRUE(QTest::qWaitFor([&] { return editor.Media().IsPlaying(); }, 5000));
    click(CSlideShowDlg::IDC_PLAY); // an empty list: nothing happens, the sound goes on
    EXPECT_EQ(plays, 0);
    EXPECT_TRUE(editor.Media().IsPlaying());
    editor.Model().imageEntries << model.imageEntries;
    editor.UpdateData(false);
    click(CSlideShowDlg::IDC_PLAY);
    EXPECT_EQ(plays, 1);
    EXPECT_FALSE(playingWhenShown);
    // Unchecking "Use sound" unloads the media control.
    click(CSlideShowDlg::IDC_USE_SOUND);
    EXPECT_FALSE(editor.Media().IsPlaying());
    EXPECT_TRUE(editor.Media().GetFileName().isEmpty());
}

} // namespace
} // namespace tsl
