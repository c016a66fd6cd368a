#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>
#include <QResource>

#include "app/startup/ControlLibrary.h"
#include "app/startup/DecoderInstallation.h"
#include "ui/MessageBox.h"
#include "display/ControlRegistry.h"
#include "support/TempDir.h"

namespace {

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
