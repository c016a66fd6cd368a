#include "recording/ChannelExport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "recording/ChannelFiles.h"
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

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The folder's index files. The recorder's disk keeps no case, so ".vdx" and every name
// derived from it match in either case.
std::vector<fs::path> IndexFiles(const std::string& folder)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_directory(typeError) && Lower(it->path().extension().string()) == ".vdx")
            files.push_back(it->path());
    }
    return files;
}

std::vector<long> Numbers(const std::vector<fs::path>& files)
{
    std::vector<long> numbers;
    for (const fs::path& file : files)
        numbers.push_back(TitleNumber(file.stem().string()));
    std::sort(numbers.begin(), numbers.end());
    if (numbers.size() > ChannelExport::kMaxIndexFiles)
        numbers.resize(ChannelExport::kMaxIndexFiles);
    return numbers;
}

// "<date>_<n>.vdx" among the files, in any case; empty when there is none.
fs::path FindIndexFile(const std::vector<fs::path>& files, const std::string& date, long n)
{
    const std::string name = Lower(date + "_" + std::to_string(n) + ".vdx");
    const auto it = std::find_if(files.begin(), files.end(),
                                 [&name](const fs::path& file) { return Lower(file.filename().string()) == name; });
    return it == files.end() ? fs::path() : *it;
}

enum class Step { Next, FileDone, ExportDone };

Step ExportRecord(std::FILE* in, const std::string& folder, const std::string& date, ChannelFiles& out,
                  std::vector<uint8_t>& payload)
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
    if (!out.Created() && !out.Create(folder, date, r.i_chCount))
        return Step::ExportDone;
    // A record with an impossible calendar time has no f_time to write; it is left out.
    if (const std::optional<int32_t> fTime = SystemTimeToFTime(r.i_time))
        out.Append(r, *fTime, payload);
    return Step::Next;
}

} // namespace

std::vector<std::string> ChannelExport::Result::Failures() const
{
    std::vector<std::string> failures;
    for (const ChannelStats& c : channels)
        if (!c.failure.empty())
            failures.push_back(c.failure);
    return failures;
}

std::vector<long> ChannelExport::IndexNumbers(const std::string& folder) { return Numbers(IndexFiles(folder)); }

ChannelExport::Result ChannelExport::Run(const std::string& folder)
{
    Result result;
    const std::string date = folder.size() > 8 ? folder.substr(folder.size() - 8) : folder;
    ChannelFiles out;
    std::vector<uint8_t> payload(FrameRecord::kMaxPayload);
    const std::vector<fs::path> files = IndexFiles(folder);
    for (long n : Numbers(files)) {
        const fs::path file = FindIndexFile(files, date, n);
        const FilePtr in = file.empty() ? FilePtr(nullptr, std::fclose) : OpenFile(file.string(), "rb");
        if (!in)
            continue;
        ++result.indexFilesRead;
        Step step;
        while ((step = ExportRecord(in.get(), folder, date, out, payload)) == Step::Next) {
        }
        if (step == Step::ExportDone)
            break;
    }
    out.Finish(result);
    return result;
}

} // namespace recording
