#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>
#include <QResource>

#include "app/startup/ControlLibrary.h"
#include "app/startup/DecoderInstallation.h"
#include "display/SystemDirectory.h"
#include "display/control/ChannelDecoder.h"
#include "display/control/DecoderLibrary.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "ui/MessageBox.h"

namespace {

namespace fs = std::filesystem;
using app::DecoderInstallation;
using Bytes = std::vector<uint8_t>;

Bytes Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

const Bytes& Carried()
{
    static const Bytes carried = [] {
        QResource resource(QString::fromLatin1(DecoderInstallation::kResourcePath));
        return resource.data() ? Bytes(resource.data(), resource.data() + resource.size()) : Bytes{};
    }();
    return carried;
}

// A decoder library other than the carried one that still loads: the carried bytes with
// padding behind them.
Bytes Older()
{
    Bytes older = Carried();
    older.resize(older.size() + 4096, 0);
    return older;
}

// A real library under the decoder's name that the control cannot use: it lacks the exports.
Bytes Foreign() { return Read(fs::path(display::SystemDirectory()) / "libkelvora_control_registry.so"); }

// The control library is loaded and registered by every PlayerControlTest; here: its failures,
// and the decoder library's installation into and loading from a folder of the test's own.
class StartupTest : public ::testing::Test {
protected:
    // The library folder of a build tree (lib/ beside CMake's cache) unless the cache is removed.
    void SetUp() override
    {
        ui::SetMessageBoxHandler([this](const QString& text) { m_messages.push_back(text.toStdString()); });
        fs::create_directory(m_lib);
        testsupport::WriteBytes(m_dir / "CMakeCache.txt", {});
    }
    void TearDown() override { ui::SetMessageBoxHandler({}); }
    void Install() { DecoderInstallation::Install(QString::fromStdString(m_lib.string())); }
    // Files in the folder, a temporary one left beside the target included.
    long Entries() const { return std::distance(fs::directory_iterator(m_lib), {}); }

    testsupport::TempDir m_dir;
    const fs::path m_lib = m_dir / "lib";
    const fs::path m_target = m_lib / DecoderInstallation::kFileName;
    std::vector<std::string> m_messages;
};

TEST_F(StartupTest, ControlLibraryFailuresShowTheirMessagesAndLeaveNothingLoaded)
{
    // The decoder library exists but has no DllRegisterServer.
    for (const auto& [bareName, message] : {std::pair{"VQC_No_Such_Player", "Load Dll Fail."},
                                            std::pair{"Ombrel", "Loading DLL Failed."}}) {
        m_messages.clear();
        app::ControlLibrary library;
        EXPECT_FALSE(library.LoadAndRegister(QString::fromLatin1(bareName)));
        EXPECT_FALSE(library.IsLoaded());
        EXPECT_EQ(m_messages, std::vector<std::string>{message});
    }
}

// Only a build tree gets the carried library, and only where none that loads is in place: an
// installed folder stays as the package laid it out, whoever runs the player. A replaced file
// lives on unchanged for a process that holds it: the new one takes the name in one step.
TEST_F(StartupTest, WritesTheDecoderOnlyIntoABuildTreeWithoutOneThatLoads)
{
    EXPECT_EQ(Read(fs::path(display::SystemDirectory()) / DecoderInstallation::kFileName), Carried());
    const struct {
        bool buildTree;
        Bytes before, after;
    } cases[] = {
        {true, {}, Carried()}, {true, Foreign(), Carried()}, {true, Older(), Older()},
        {false, {}, {}},       {false, Foreign(), Foreign()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.buildTree << " " << c.before.size());
        fs::remove(m_target);
        if (!c.buildTree)
            fs::remove(m_dir / "CMakeCache.txt");
        if (!c.before.empty())
            testsupport::WriteBytes(m_target, c.before);
        const int held = ::open(m_target.c_str(), O_RDONLY | O_CLOEXEC);
        Install();
        EXPECT_EQ(Read(m_target), c.after);
        EXPECT_EQ(Entries(), c.after.empty() ? 0 : 1);
        if (held >= 0) {
            EXPECT_EQ(Read("/proc/self/fd/" + std::to_string(held)), c.before);
            ::close(held);
        }
    }
    EXPECT_TRUE(m_messages.empty());
}

// A disk that fills up during the write (here: a file-size limit) cuts the new copy short.
TEST_F(StartupTest, AWriteCutShortLeavesTheOldLibraryOrNoFileAtAll)
{
    for (const bool withForeign : {true, false}) {
        SCOPED_TRACE(withForeign);
        fs::remove(m_target);
        if (withForeign)
            testsupport::WriteBytes(m_target, Foreign());
        {
            testsupport::FileSizeLimit limit(8192);
            Install();
        }
        EXPECT_EQ(Entries(), withForeign ? 1 : 0);
        EXPECT_EQ(Read(m_target), withForeign ? Foreign() : Bytes{});
    }
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(StartupTest, FailuresToReadTheResourceShowTheirMessagesAndToWriteNone)
{
    const QString target = QString::fromStdString(m_lib.string());
    DecoderInstallation::Install(target, QStringLiteral(":/Codec/225"));
    // A folder of resources, not one: there are no bytes to take.
    DecoderInstallation::Install(target, QStringLiteral(":/Codec"));
    EXPECT_EQ(m_messages, (std::vector<std::string>{"Can't open codec file.", "Memory allocation failed."}));
    EXPECT_EQ(Entries(), 0);

    DecoderInstallation::Install(QString::fromStdString((m_lib / "missing").string()));
    // A directory standing where the file would go cannot be replaced either.
    fs::create_directory(m_target);
    Install();
    EXPECT_TRUE(fs::is_directory(m_target));
    EXPECT_EQ(Entries(), 1);
    EXPECT_EQ(m_messages.size(), 2u) << "a folder that cannot be written says nothing";
}

TEST_F(StartupTest, AMissingDecoderLibraryOrOneWithoutItsExportsLeavesChannelsDecodingNothing)
{
    EXPECT_EQ(display::DecoderLibrary().CreateDecoder(OMBREL_CODEC_H264), nullptr);
    // A real library under the decoder's name, but without its exports.
    fs::copy_file(display::SystemDirectory() + "/libkelvora_control_registry.so", m_target);
    display::DecoderLibrary wrong;
    EXPECT_FALSE(wrong.Load(m_lib.string()));
    display::ChannelDecoder decoder(wrong);
    EXPECT_FALSE(decoder.Decode({0, 0, 0, 1, 0x67, 0x42, 0x00, 0x1E}, {}));
    EXPECT_FALSE(decoder.Refine());
    EXPECT_TRUE(decoder.Render({10, 10}).isNull());
}

} // namespace
