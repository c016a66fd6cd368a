#pragma once
#include <cstdint>
#include <vector>

#include "platform/File.h"
#include "recording/ChannelWalk.h"
#include "recording/RecordingHeader.h"

namespace recording {

// One channel's records as salvage finds them.
struct SalvagedRun {
    bool audio = false;
    int channel = 0;
    std::vector<WalkedRecord> records; // intact, in file order
    std::vector<WalkGap> gaps;         // unreadable stretches inside the run or after its last record
    // A video run the player could open: at least one 64 KiB chunk long, with a key frame
    // that its backward search for the last key frame reaches.
    bool playable = true;

    uint64_t Bytes() const; // headers and payloads of the records
};

// Finds every intact record of a recording whose header, tables or records are damaged,
// or which was cut short, and sorts them into channels. The file is only read.
//
// The records are found by a whole-file resynchronising walk, so nothing depends on the
// tables. When the header and its tables can be believed (every record found lies inside
// a run the table names) the records keep their channels, names and format; otherwise
// each chain of linked records becomes a channel of its own, video (it holds key frames)
// or audio, numbered in the order they lie in the file.
class RecordingSalvage {
public:
    struct Result {
        RecordingHeader header; // the source's fields where they could be read; masks and entries to be refilled
        bool tablesBelieved = false;
        std::vector<SalvagedRun> runs; // video in channel order, then audio
        uint64_t fileSize = 0;
    };

    static Result Find(platform::File& file);
};

} // namespace recording
