#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "recording/FrameRecord.h"

namespace playback {

class PlayerCore;
struct WorkerSignals;

// One search of the seek thread: from rough starting positions (m_dwVideoReq, m_dwAudioReq)
// it finds where each channel continues for the target m_SeekTarget. Video: a byte scan for
// a key frame's signature, then a walk by the records' links to the key frame at the target.
// Audio: the first plausible record header near the start, then a walk to the target second.
// The video positions are published (and m_bSeekDone raised) before the audio search; the
// play loop's next turn waits for the audio positions.
//
// A search told to quit ends at its next chunk or record without publishing anything more:
// the search that replaces it rewrites every position, and the open and the shutdown must
// not close the file under it. A stopped search never writes m_bSeekDone or a position.
class PositionSearch {
public:
    PositionSearch(PlayerCore& core, WorkerSignals& signals);
    void Run();

private:
    struct Bounds {
        uint64_t lo;
        uint64_t hi;
    };
    enum class Scan { Found, Done, Quit };

    // Runs write under m_seekFlagLock unless this search was told to quit; StartSeek resets
    // the flag under the same lock after it stopped the search, so a stopped search can
    // never write after it.
    bool Publish(const std::function<void()>& write);
    void Search();
    Scan ScanVideo(int k, uint64_t p, uint32_t& result);
    bool WalkVideo(int k, uint32_t from, int32_t target, uint32_t& result);
    bool SearchAudio(int k, int32_t target, uint32_t& result);
    bool WalkAudio(int k, uint64_t from, int32_t target, uint32_t& result);
    uint32_t LastAudioRecord(int k);
    bool AcceptVideo(const recording::FrameRecord& r) const;
    bool AcceptAudio(const recording::FrameRecord& r) const;
    Bounds VideoRun(int k) const;
    Bounds AudioRun(int k) const;
    // False when the file does not hold the whole header (the record is then all zeros
    // past the file's end).
    bool ReadHeader(uint64_t position, recording::FrameRecord& record);
    bool PastTheFile(uint64_t position) const;
    bool Quit() const;

    PlayerCore& m_core;
    WorkerSignals& m_signals;
    std::vector<uint8_t> m_chunk;
};

} // namespace playback
