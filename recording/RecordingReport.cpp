#include "recording/RecordingReport.h"

#include <cstdio>

#include "recording/TimeConversion.h"

namespace recording {

SystemTime RecordingReport::ReadFirstFrameTime(platform::File& file, uint32_t dataOffset)
{
    uint8_t bytes[FrameRecord::kHeaderSize] = {};
    file.ReadAt(dataOffset, bytes, sizeof bytes);
    return FTimeToSystemTime(FrameRecord::Parse(bytes).f_time);
}

RecordingReport RecordingReport::Refuse(RecordingError error, std::string why)
{
    messages.push_back(error);
    reason = std::move(why);
    return *this;
}

RecordingReport RecordingReport::Run(const std::string& path)
{
    RecordingReport r;
    platform::File headerFile;
    platform::File scanFile;
    r.readable = headerFile.Open(path) && scanFile.Open(path);
    if (!r.readable) {
        r.openError = headerFile.IsSet() ? scanFile.OpenError() : headerFile.OpenError();
        return r;
    }
    r.header = HeaderCheck::Run(headerFile);
    if (r.header.error)
        return r.Refuse(*r.header.error, r.header.reason);
    r.tables = ChannelTables::Build(r.header.header, headerFile.Size());
    if (r.tables.videoChCount == 0) {
        char mask[16];
        std::snprintf(mask, sizeof mask, "0x%08X", r.header.header.videoMask);
        return r.Refuse(RecordingError::C1006, std::string("its video mask (") + mask + ") marks none of channels 0 to 15");
    }
    r.firstFrameTime = ReadFirstFrameTime(headerFile, r.tables.dataOffset);
    r.scan = StreamScan::Run(scanFile, r.header.header, r.tables, r.firstFrameTime.wYear);
    r.messages = r.scan.messages;
    if (!r.scan.ok)
        return r.Refuse(RecordingError::C1007, r.scan.reason);
    r.ok = true;
    return r;
}

} // namespace recording
