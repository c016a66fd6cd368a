#pragma once
#include <string>
#include <vector>

namespace recording {

// One entry for the folder list: its text, "VXnn/DDDDDDDD", and the index to insert it at.
struct StorageInsert {
    std::string text;
    int index = 0;
};

// The inserts that list a recorder's storage folder: for every sub-folder "VX" plus up to
// two characters, its folders whose names are exactly eight characters, inserted at
// indices 0, 1, ... so that the sub-folder listed last ends up on top. Directory listings
// are taken in name order, as the recorder's own file system gives them.
std::vector<StorageInsert> FindStorageEntries(const std::string& storagePath);

// Applies the inserts, in order, to a list's texts.
void ApplyStorageInserts(std::vector<std::string>& list, const std::vector<StorageInsert>& inserts);

} // namespace recording
