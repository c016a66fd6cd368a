#include "recording/ChannelExport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "recording/FrameRecord.h"
#include "recording/IndexRecord.h"
#include "recording/TimeConversion.h"

namespace recording {
namespace {

namespace fs = std::filesystem;
using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

FilePtr OpenFile(const std::string& path, const char* mode) { return FilePtr(std::fopen(path.c_str(), mode), std::fclose); }

// The number in an index file's title: after its first underscore, or from its start.
long TitleNumber(const std::string& title)
{
    const size_t underscore = title.find('_');
    const std::string digits = underscore == std::string::npos ? title : title.substr(underscore + 1);
    return std::strtol(digits.c_str(), nullptr, 10);
}

// The channel files of one export, created with the first record.
class ChannelFiles {
public:
    bool Created() const { return !m_files.empty(); }

    // False when the first record's channel count cannot be served.
    bool Create(const std::string& folder, const std::string& date, uint32_t chCount, ChannelExport::Result& result)
    {
        if (chCount == 0 || chCount > ChannelExport::kMaxChannels)
            return false;
        const fs::path dir = fs::path(folder) / "Ch";
        std::error_code ignored;
        fs::create_directory(dir, ignored);
        for (uint32_t c = 0; c < chCount; ++c) {
            char name[64];
            std::snprintf(name, sizeof name, "%s_%02u.chv", date.c_str(), c);
            const std::string path = (dir / name).string();
            m_files.push_back(OpenFile(path, "wb"));
            m_prevSize.push_back(0);
            result.channels.push_back({path, 0, 0});
        }
        return true;
    }

    void Append(const IndexRecord& r, int32_t fTime, const std::vector<uint8_t>& payload, ChannelExport::Result& result)
    {
        if (r.i_ch >= m_files.size() || !m_files[r.i_ch])
            return;
        uint8_t header[FrameRecord::kHeaderSize];
        // The back link keeps an exported file walkable backwards.
        FrameRecord{fTime, r.i_time.wMilliseconds, r.i_size, m_prevSize[r.i_ch], r.i_key}.Serialize(header);
        std::FILE* f = m_files[r.i_ch].get();
        std::fwrite(header, 1, sizeof header, f);
        std::fwrite(payload.data(), 1, r.i_size, f);
        m_prevSize[r.i_ch] = r.i_size;
        ++result.channels[r.i_ch].records;
        result.channels[r.i_ch].bytes += sizeof header + r.i_size;
    }

private:
    std::vector<FilePtr> m_files;
    std::vector<uint32_t> m_prevSize;
};

enum class Step { Next, FileDone, ExportDone };

Step ExportRecord(std::FILE* in, const std::string& folder, const std::string& date, ChannelFiles& out,
                  std::vector<uint8_t>& payload, ChannelExport::Result& result)
{
    uint8_t bytes[IndexRecord::kHeaderSize];
    if (std::fread(bytes, 1, 4, in) != 4)
        return Step::FileDone;
    // A record cut short, or one whose payload could never fit the read buffer, ends this
    // file: nothing after it can be trusted to start where a record starts.
    if (std::fread(bytes + 4, 1, sizeof bytes - 4, in) != sizeof bytes - 4)
        return Step::FileDone;
    const IndexRecord r = IndexRecord::Parse(bytes);
    if (r.i_size > FrameRecord::kMaxPayload || std::fread(payload.data(), 1, r.i_size, in) != r.i_size)
        return Step::FileDone;
    if (!out.Created() && !out.Create(folder, date, r.i_chCount, result))
        return Step::ExportDone;
    // A record with an impossible calendar time has no f_time to write; it is left out.
    if (const std::optional<int32_t> fTime = SystemTimeToFTime(r.i_time))
        out.Append(r, *fTime, payload, result);
    return Step::Next;
}

} // namespace

std::vector<long> ChannelExport::IndexNumbers(const std::string& folder)
{
    std::vector<long> numbers;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError) || it->path().extension() != ".vdx")
            continue;
        numbers.push_back(TitleNumber(it->path().stem().string()));
    }
    std::sort(numbers.begin(), numbers.end());
    if (numbers.size() > kMaxIndexFiles)
        numbers.resize(kMaxIndexFiles);
    return numbers;
}

ChannelExport::Result ChannelExport::Run(const std::string& folder)
{
    Result result;
    const std::string date = folder.size() > 8 ? folder.substr(folder.size() - 8) : folder;
    ChannelFiles out;
    std::vector<uint8_t> payload(FrameRecord::kMaxPayload);
    for (long n : IndexNumbers(folder)) {
        const FilePtr in = OpenFile(folder + "/" + date + "_" + std::to_string(n) + ".vdx", "rb");
        if (!in)
            continue;
        ++result.indexFilesRead;
        Step step;
        while ((step = ExportRecord(in.get(), folder, date, out, payload, result)) == Step::Next) {
        }
        if (step == Step::ExportDone)
            break;
    }
    return result;
}

} // namespace recording
