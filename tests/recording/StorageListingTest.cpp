#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "recording/StorageListing.h"
#include "support/TempDir.h"

using recording::ApplyStorageInserts;
using recording::FindStorageEntries;

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

Texts ListInto(Texts list, const std::string& storage)
{
    ApplyStorageInserts(list, FindStorageEntries(storage));
    return list;
}

TEST(StorageListing, GroupsBySubFolderWithTheLastOnTop)
{
    testsupport::TempDir dir;
    for (const char* d : {"VX01/DISK0001", "VX01/DISK0002", "VX02/DISK0005"})
        fs::create_directories(dir.Path() / d);
    EXPECT_EQ(ListInto({}, dir.Path()), (Texts{"VX02/DISK0005", "VX01/DISK0001", "VX01/DISK0002"}));
    // A second listing goes in front of what the list holds.
    EXPECT_EQ(ListInto({"old"}, dir.Path()), (Texts{"VX02/DISK0005", "VX01/DISK0001", "VX01/DISK0002", "old"}));
}

TEST(StorageListing, FiltersNamesAndKinds)
{
    testsupport::TempDir dir;
    for (const char* d : {"VX01/DISK001", "VX01/DISK00001", "VX01/DISK0003", "VX/ABCDEFGH", "VX123/DISK0009",
                          "XV01/DISK0010", "vx7/DISK0011", "VX02/DISK.001"})
        fs::create_directories(dir.Path() / d);
    std::ofstream(dir.Path() / "VX01/DISK0001") << "a file, not a folder";
    std::ofstream(dir.Path() / "VX03") << "a file named like a sub-folder";
    EXPECT_EQ(ListInto({}, dir.Path()), (Texts{"vx7/DISK0011", "VX01/DISK0003", "VX/ABCDEFGH"}));
}

TEST(StorageListing, MissingOrEmptyFolderAddsNothing)
{
    testsupport::TempDir dir;
    EXPECT_TRUE(FindStorageEntries(dir.File("absent")).empty());
    EXPECT_TRUE(FindStorageEntries(dir.Path()).empty());
}

} // namespace
