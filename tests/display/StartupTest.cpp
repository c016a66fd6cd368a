#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>
#include <QResource>

#include "app/startup/ControlLibrary.h"
#include "app/startup/DecoderInstallation.h"
#include "ui/MessageBox.h"
#include "display/ControlRegistry.h"
#include "display/control/DecoderLibrary.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using app::ControlLibrary;
using app::DecoderInstallation;

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::SetMessageBoxHandler([this](const QString& text) { m_messages.push_back(text.toStdString()); });
    }
    void TearDown() override { ui::SetMessageBoxHandler({}); }

    static std::vector<char> Read(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static std::vector<char> Carried()
    {
        QResource resource(QString::fromLatin1(DecoderInstallation::kResourcePath));
        const auto* data = reinterpret_cast<const char*>(resource.data());
        return data ? std::vector<char>(data, data + resource.size()) : std::vector<char>{};
    }
    // A decoder library other than the carried one that still loads: the carried bytes with
    // padding behind them.
    static std::vector<char> Older()
    {
        std::vector<char> older = Carried();
        older.resize(older.size() + 4096, '\0');
        return older;
    }
    static void Write(const fs::path& path, const std::vector<char>& bytes)
    {
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    static std::vector<fs::path> Entries(const fs::path& dir)
    {
        std::vector<fs::path> entries;
        for (const auto& entry : fs::directory_iterator(dir))
            entries.push_back(entry.path().filename());
        return entries;
    }

    std::vector<std::string> m_messages;
};

TEST_F(StartupTest, LoadsTheControlLibraryByBareNameAndRegistersTheControl)
{
    ControlLibrary library;
    EXPECT_TRUE(library.LoadAndRegister());
    EXPECT_TRUE(library.IsLoaded());
    EXPECT_TRUE(display::ControlRegistry::IsRegistered(display::kPlayerControlClassId));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(StartupTest, LoadingFailuresShowTheirMessagesAndLeaveNothingLoaded)
{
    struct Case {
        const char* bareName;
        const char* message;
    };
    // The decoder library exists but has no DllRegisterServer.
    for (const Case& c : {Case{"VQC_No_Such_Player", "Load Dll Fail."}, Case{"Ombrel", "Loading DLL Failed."}}) {
        m_messages.clear();
        ControlLibrary library;
        EXPECT_FALSE(library.LoadAndRegister(QString::fromLatin1(c.bareName)));
        EXPECT_FALSE(library.IsLoaded());
        EXPECT_EQ(m_messages, std::vector<std::string>{c.message});
    }
}

TEST_F(StartupTest, InstallsTheCarriedDecoderOverAnyExistingFile)
{
    testsupport::TempDir dir;
    const auto target = dir.Path() / DecoderInstallation::kFileName;
    std::ofstream(target) << "an older decoder library";
    DecoderInstallation::Install(QString::fromStdString(dir.Path().string()));
    const std::vector<char> carried = Carried();
    ASSERT_GT(carried.size(), 10'000u);
    EXPECT_EQ(Read(target), carried);
    // The carried copy is the decoder library this build made.
    const auto built = std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "lib" /
                       DecoderInstallation::kFileName;
    EXPECT_EQ(Read(built), carried);
    EXPECT_TRUE(m_messages.empty());
}

// A player that is running has the old library mapped: it must keep its bytes, so the new
// library takes the name in one step and the old file lives on unchanged for whoever holds it.
TEST_F(StartupTest, ReplacesTheLibraryInOneStepAndLeavesAnIdenticalOneAlone)
{
    testsupport::TempDir dir;
    const fs::path target = dir.Path() / DecoderInstallation::kFileName;
    const std::vector<char> older = Older();
    Write(target, older);
    display::DecoderLibrary running;
    ASSERT_TRUE(running.Load(dir.Path().string()));
    const int held = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);

    DecoderInstallation::Install(QString::fromStdString(dir.Path().string()));
    EXPECT_EQ(Read(target), Carried());
    std::vector<char> heldBytes(older.size() + 1);
    EXPECT_EQ(::pread(held, heldBytes.data(), heldBytes.size(), 0), static_cast<ssize_t>(older.size()));
    heldBytes.pop_back();
    EXPECT_EQ(heldBytes, older);
    ::close(held);
    OmbrelVDecoder* decoder = running.CreateDecoder(OMBREL_CODEC_H264);
    ASSERT_NE(decoder, nullptr);
    decoder->Release(decoder);

    // Already in place: not written again.
    const auto stamp = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::last_write_time(target, stamp);
    DecoderInstallation::Install(QString::fromStdString(dir.Path().string()));
    EXPECT_EQ(fs::last_write_time(target), stamp);
    EXPECT_EQ(Entries(dir.Path()), std::vector<fs::path>{DecoderInstallation::kFileName});
    EXPECT_TRUE(m_messages.empty());
}

// A disk that fills up during the write (here: a file-size limit) cuts the new copy short.
TEST_F(StartupTest, AWriteCutShortLeavesTheOldLibraryOrNone)
{
    for (const bool withOlder : {true, false}) {
        testsupport::TempDir dir;
        const fs::path target = dir.Path() / DecoderInstallation::kFileName;
        if (withOlder)
            Write(target, Older());
        {
            testsupport::FileSizeLimit limit(8192);
            DecoderInstallation::Install(QString::fromStdString(dir.Path().string()));
        }
        if (withOlder) {
            EXPECT_EQ(Read(target), Older());
            display::DecoderLibrary library;
            EXPECT_TRUE(library.Load(dir.Path().string()));
            EXPECT_EQ(Entries(dir.Path()), std::vector<fs::path>{DecoderInstallation::kFileName});
        } else {
            EXPECT_TRUE(Entries(dir.Path()).empty());
        }
    }
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(StartupTest, UnwritableTargetIsLeftAloneWithoutAMessage)
{
    testsupport::TempDir dir;
    DecoderInstallation::Install(QString::fromStdString((dir.Path() / "missing").string()));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "missing"));
    // A directory standing where the file would go cannot be opened for writing either.
    std::filesystem::create_directory(dir.Path() / DecoderInstallation::kFileName);
    DecoderInstallation::Install(QString::fromStdString(dir.Path().string()));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / DecoderInstallation::kFileName));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(StartupTest, MissingOrUnreadableResourceShowsItsMessage)
{
    testsupport::TempDir dir;
    const QString target = QString::fromStdString(dir.Path().string());
    DecoderInstallation::Install(target, QStringLiteral(":/Codec/225"));
    // A folder of resources, not one: there are no bytes to take.
    DecoderInstallation::Install(target, QStringLiteral(":/Codec"));
    EXPECT_EQ(m_messages, (std::vector<std::string>{"Can't open codec file.", "Memory allocation failed."}));
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / DecoderInstallation::kFileName));
}

} // namespace
