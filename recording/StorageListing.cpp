#include "recording/StorageListing.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace recording {
namespace {

namespace fs = std::filesystem;

// Sub-directories of a folder in name order; an unreadable folder has none.
std::vector<fs::path> SubDirectories(const fs::path& folder)
{
    std::vector<fs::path> dirs;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError))
            dirs.push_back(it->path());
    }
    std::sort(dirs.begin(), dirs.end());
    return dirs;
}

// "VX" followed by at most two characters, in either case as the recorder's disk has it.
bool IsRecorderFolder(const std::string& name)
{
    return name.size() >= 2 && name.size() <= 4 && std::toupper(static_cast<unsigned char>(name[0])) == 'V' &&
           std::toupper(static_cast<unsigned char>(name[1])) == 'X';
}

} // namespace

std::vector<StorageInsert> FindStorageEntries(const std::string& storagePath)
{
    std::vector<StorageInsert> inserts;
    for (const fs::path& sub : SubDirectories(storagePath)) {
        const std::string name = sub.filename().string();
        if (!IsRecorderFolder(name))
            continue;
        int n = 0;
        for (const fs::path& date : SubDirectories(sub)) {
            // A name of up to eight characters whose title (the name without extension)
            // has exactly eight.
            const std::string file = date.filename().string();
            if (file.size() <= 8 && date.stem().string().size() == 8)
                inserts.push_back({sub.stem().string() + "/" + date.stem().string(), n++});
        }
    }
    return inserts;
}

void ApplyStorageInserts(std::vector<std::string>& list, const std::vector<StorageInsert>& inserts)
{
    for (const StorageInsert& s : inserts)
        list.insert(list.begin() + std::min<size_t>(static_cast<size_t>(s.index), list.size()), s.text);
}

} // namespace recording
