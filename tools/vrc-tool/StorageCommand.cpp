#include <cstdio>
#include <filesystem>
#include <string>

#include "recording/ChannelExport.h"
#include "recording/StorageListing.h"
#include "tools/sample/StorageWriter.h"
#include "tools/vrc-tool/Commands.h"

namespace vrctool {
namespace {

constexpr const char* kUsage = "usage: vrc-tool storage list DIR\n       vrc-tool storage export DIR ENTRY\n";

int List(const std::string& dir)
{
    std::vector<std::string> list;
    recording::ApplyStorageInserts(list, recording::FindStorageEntries(dir));
    for (const std::string& entry : list)
        std::printf("%s\n", entry.c_str());
    return 0;
}

int Export(const std::string& dir, const std::string& entry)
{
    const std::string folder = (std::filesystem::path(dir) / entry).string();
    const recording::ChannelExport::Result r = recording::ChannelExport::Run(folder);
    std::printf("%d index file(s) read from %s\n", r.indexFilesRead, folder.c_str());
    for (const auto& c : r.channels) {
        if (c.failure.empty())
            std::printf("%s: %llu records, %llu bytes\n", c.path.c_str(), static_cast<unsigned long long>(c.records),
                        static_cast<unsigned long long>(c.bytes));
        else
            std::fprintf(stderr, "vrc-tool storage export: %s\n", c.failure.c_str());
    }
    if (r.indexFilesRead == 0)
        std::fprintf(stderr, "vrc-tool storage export: no index file could be read in '%s'\n", folder.c_str());
    return r.indexFilesRead == 0 || !r.Failures().empty() ? 1 : 0;
}

} // namespace

int RunStorage(const Args& args)
{
    if (args.size() == 2 && args[0] == "list")
        return List(args[1]);
    if (args.size() == 3 && args[0] == "export")
        return Export(args[1], args[2]);
    std::fputs(kUsage, stderr);
    return 2;
}

int RunMakeStorage(const Args& args)
{
    if (args.size() != 1 || args[0].starts_with("--")) {
        std::fputs("usage: vrc-tool make-storage DIR\n", stderr);
        return 2;
    }
    constexpr int kChannels = 3;
    constexpr int kSeconds = 3;
    if (const std::string error = sample::StorageWriter::Write(args[0], kChannels, kSeconds); !error.empty()) {
        std::fprintf(stderr, "vrc-tool make-storage: %s\n", error.c_str());
        return 1;
    }
    std::printf("wrote %s/%s: %d channels, %d index files\n", args[0].c_str(), sample::StorageWriter::kEntry, kChannels,
                kSeconds);
    return 0;
}

} // namespace vrctool
