// What the running player plays, heard the way a user would: a private PulseAudio server with a
// null sink, whose monitor is recorded while the real window plays a recording with sound.
#include <algorithm>
#include <cmath>
#include <numbers>

#include <QTest>
#include <gtest/gtest.h>

#include "app/startup/ControlLibrary.h"
#include "display/PulseServer.h"
#include "support/TempDir.h"
#include "tools/sample/SampleWriter.h"
#include "tools/sample/ToneEncoder.h"
#include "ui/ControlIds.h"
#include "ui/MessageBox.h"
#include "ui/PlayerDialog.h"
#include "ui/RunningPlayer.h"

namespace {

using testsupport::PulseServer;
constexpr int kBlock = PulseServer::kRate / 50; // 20 ms

// The strength of one frequency in the samples (Goertzel).
double Strength(const std::vector<int16_t>& samples, double hz)
{
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * hz / PulseServer::kRate);
    double s1 = 0, s2 = 0;
    for (int16_t x : samples) {
        const double s = x + coefficient * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - coefficient * s1 * s2)) / static_cast<double>(samples.size());
}

// The RMS of each 20 ms block.
std::vector<double> Blocks(const std::vector<int16_t>& samples)
{
    std::vector<double> blocks;
    for (size_t i = 0; i + kBlock <= samples.size(); i += kBlock) {
        double sum = 0;
        for (size_t j = i; j < i + kBlock; ++j)
            sum += double(samples[j]) * samples[j];
        blocks.push_back(std::sqrt(sum / kBlock));
    }
    return blocks;
}

// The level of the steady tone between the beeps: the median of the audible blocks (a block
// the sink ran dry in says nothing of the volume).
double Level(const std::vector<int16_t>& samples)
{
    std::vector<double> blocks = Blocks(samples);
    std::erase_if(blocks, [](double rms) { return rms < 100; });
    if (blocks.size() < 10)
        return 0;
    std::nth_element(blocks.begin(), blocks.begin() + blocks.size() / 2, blocks.end());
    return blocks[blocks.size() / 2];
}

class PlayerSound : public testing::Test {
protected:
    void SetUp() override
    {
        if (!PulseServer::Installed())
            GTEST_SKIP() << "no pulseaudio program on this machine: the sound test needs PulseAudio";
#if defined(__SANITIZE_THREAD__)
        // With a live sound server, libpulse's uninstrumented threads call into Qt and back, and
        // TSan then reports races between accesses that hold the same lock. The engine's threads
        // are checked under TSan by the other tests; this one runs in the plain and ASan builds.
        GTEST_SKIP() << "not run under ThreadSanitizer: it cannot follow PulseAudio's own threads";
#endif
        m_server = &PulseServer::Shared();
        ASSERT_EQ(m_server->Error(), "");
        ASSERT_TRUE(m_library.LoadAndRegister());
        const sample::SampleOptions four{.channels = 4, .audioMask = 0b0011, .seconds = 12};
        ASSERT_EQ(sample::SampleWriter::Write(m_dir.File("four.vrc"), four), "");
        ui::SetMessageBoxHandler([](const QString& text) { ADD_FAILURE() << text.toStdString(); });
        m_dialog = std::make_unique<ui::PlayerDialog>();
        m_dialog->show();
    }
    void TearDown() override
    {
        m_dialog.reset();
        ui::SetMessageBoxHandler({});
        m_library.Release();
    }

    playback::TransportCommands& Transport() { return m_dialog->Player().Core().Transport(); }
    void SetVolume(int volume) { Transport().OnVolumeSlider(playback::TransportCommands::kEndTrack, volume); }
    // What the sink played over a while, the window running meanwhile.
    std::vector<int16_t> Listen(int ms)
    {
        m_server->StartRecording();
        QTest::qWait(ms);
        return m_server->StopRecording();
    }

    PulseServer* m_server = nullptr;
    app::ControlLibrary m_library;
    testsupport::TempDir m_dir;
    std::unique_ptr<ui::PlayerDialog> m_dialog;
};

TEST_F(PlayerSound, PlaysTheCurrentChannelsToneAtTheChosenVolumeAndNothingWhenMuted)
{
    m_dialog->Player().OpenFile(QString::fromStdString(m_dir.File("four.vrc")));
    // Channel 2's tile (top right of four) made current: its tone, not channel 1's, is heard.
    QWidget* display = m_dialog->GetDlgItem(ui::id::kDisplay);
    QTest::mouseClick(display, Qt::LeftButton, {}, QPoint(display->width() * 3 / 4, display->height() / 4));
    ASSERT_EQ(m_dialog->Player().Control().CurrentChannel(), 1);
    SetVolume(15);
    ASSERT_EQ(m_dialog->Player().Core().m_bSoundOn, 1);
    Transport().OnPlay();
    QTest::qWait(500);

    const std::vector<int16_t> loud = Listen(2000);
    ASSERT_GT(loud.size(), 1000u);
    const double own = Strength(loud, sample::ToneEncoder::Pitch(1));
    EXPECT_GT(Level(loud), 1000) << "the sink heard nothing";
    EXPECT_GT(own, 5 * Strength(loud, sample::ToneEncoder::Pitch(0))) << "channel 1's tone was heard";
    EXPECT_GT(own, 5 * Strength(loud, 450)) << "not a clean tone";

    SetVolume(5);
    QTest::qWait(300);
    const double ratio = Level(Listen(2000)) / Level(loud); // 5 / 15
    EXPECT_GT(ratio, 0.2);
    EXPECT_LT(ratio, 0.5);

    Transport().OnSpeaker(); // off
    QTest::qWait(300);
    const std::vector<double> muted = Blocks(Listen(1500));
    EXPECT_LT(*std::max_element(muted.begin(), muted.end()), 30);
}

} // namespace
