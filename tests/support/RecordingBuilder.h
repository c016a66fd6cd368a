#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "recording/FrameRecord.h"
#include "recording/RecordingHeader.h"

namespace testsupport {

// A recording laid out in memory: the header and the data area, with where each record
// landed. Tests may change the header or the bytes before writing it out.
struct BuiltRecording {
    recording::RecordingHeader header;
    std::vector<uint8_t> data;                          // the data area
    uint32_t dataOffset = 0;                            // where the data area begins in the file
    std::array<std::vector<uint32_t>, 16> videoRecords; // absolute offsets of each channel's records
    std::array<std::vector<uint32_t>, 16> audioRecords;

    // The whole file for the header's version (a trailing header block for version 2).
    std::vector<uint8_t> Bytes() const;
    void Write(const std::string& path) const;
    // Overwrites a record header in the data area, by its absolute offset.
    void PatchRecord(uint32_t absoluteOffset, const recording::FrameRecord& record);
};

// Writes small synthetic recordings: payloads are filler bytes, key frames begin with the
// signature of the chosen video format, so the scan and the searches treat them as real.
class RecordingBuilder {
public:
    struct Frame {
        int32_t f_time;
        uint32_t f_msec;
        uint32_t size;   // payload bytes
        uint32_t f_key;  // 1 key frame, 0 other
    };

    RecordingBuilder& Version(uint8_t version) { m_version = version; return *this; }
    RecordingBuilder& VideoFormat(uint8_t format) { m_videoFormat = format; return *this; }
    RecordingBuilder& ChCount(uint8_t count) { m_chCount = count; return *this; }
    RecordingBuilder& Video(int channel, Frame frame) { m_video.at(channel).push_back(frame); return *this; }
    RecordingBuilder& Audio(int channel, Frame frame) { m_audio.at(channel).push_back(frame); return *this; }
    // A run of video frames: count frames interval_ms apart from (fTime, msec), a key frame
    // every gop frames (the first one included).
    RecordingBuilder& VideoRun(int channel, int32_t fTime, uint32_t msec, int count, uint32_t intervalMs, int gop,
                               uint32_t size);
    RecordingBuilder& AudioRun(int channel, int32_t fTime, uint32_t msec, int count, uint32_t intervalMs, uint32_t size);

    // Masks cover every channel with records; chCount defaults to the highest channel + 1.
    BuiltRecording Build() const;
    // Writes the recording straight to a file with every record header but only the first
    // written bytes of each payload, and holes for the rest, so that a recording of
    // gigabytes takes neither memory nor disk. The result has no data area. Not for version 2.
    BuiltRecording WriteSparse(const std::string& path, uint32_t written = 64) const;

    // The payload the builder writes for a frame of the given format.
    static std::vector<uint8_t> Payload(uint8_t videoFormat, bool key, uint32_t size, bool audio);

    // Receives the bytes of the data area at their offset, in order.
    using Put = std::function<void(uint64_t at, const uint8_t* bytes, size_t length)>;

private:
    // Lays the records out one run after another, video first, handing every header and at
    // most payloadLimit bytes of every payload to put, and fills the header's entries.
    // Returns the data area's size.
    uint64_t Lay(BuiltRecording& out, uint32_t payloadLimit, const Put& put) const;

    uint8_t m_version = 0;
    uint8_t m_videoFormat = 2;
    int m_chCount = -1;
    std::array<std::vector<Frame>, 16> m_video;
    std::array<std::vector<Frame>, 16> m_audio;
};

} // namespace testsupport
