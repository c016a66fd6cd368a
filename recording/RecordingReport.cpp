#include "recording/RecordingReport.h"

#include "recording/TimeConversion.h"

namespace recording {

SystemTime RecordingReport::ReadFirstFrameTime(platform::File& file, uint32_t dataOffset)
{
    uint8_t bytes[FrameRecord::kHeaderSize] = {};
    file.ReadAt(dataOffset, bytes, sizeof bytes);
    return FTimeToSystemTime(FrameRecord::Parse(bytes).f_time);
}

RecordingReport RecordingReport::Run(const std::string& path)
{
    RecordingReport r;
    platform::File headerFile;
    platform::File scanFile;
    r.readable = headerFile.Open(path) && scanFile.Open(path);
    if (!r.readable)
        return r;
    if (headerFile.Size() < kMinimumFileSize) {
        r.messages.push_back(RecordingError::C1001);
        return r;
    }
    r.header = HeaderCheck::Run(headerFile);
    if (r.header.error) {
        r.messages.push_back(*r.header.error);
        return r;
    }
    r.tables = ChannelTables::Build(r.header.header, headerFile.Size());
    if (r.tables.videoChCount == 0) {
        r.messages.push_back(RecordingError::C1006);
        return r;
    }
    r.firstFrameTime = ReadFirstFrameTime(headerFile, r.tables.dataOffset);
    r.scan = StreamScan::Run(scanFile, r.header.header, r.tables, r.firstFrameTime.wYear);
    r.messages = r.scan.messages;
    if (!r.scan.ok)
        r.messages.push_back(RecordingError::C1007);
    r.ok = r.scan.ok;
    return r;
}

} // namespace recording
