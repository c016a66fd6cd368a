#include "ui/capture/Snapshot.h"

#include <string>
#include <system_error>
#include <utility>

#include <QDir>

#include "ui/capture/BitmapFile.h"
#include "ui/capture/CaptureTimeText.h"
#include "ui/capture/CapturedFrame.h"

namespace capture {
namespace {

// The names a snapshot may take, in the order they are tried.
struct SnapshotNames {
    std::string second;  // "<date>-hhmmss"
    std::string precise; // "<date>-hhmmss.mmm", for another snapshot within that second
    std::string channel; // "-<channel name>", or empty

    std::filesystem::path Nth(const std::filesystem::path& folder, int n) const
    {
        const std::string name = n == 0 ? second + channel : precise + channel;
        return folder / (n > 1 ? name + "-" + std::to_string(n) + ".bmp" : name + ".bmp");
    }
};

// A channel name as part of a file name: no folder separators, no control characters.
std::string FileNamePart(std::string name)
{
    for (char& c : name) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    }
    return name;
}

// The first free name is taken and path says which: the second's, then its millisecond's; only
// snapshots of the very same frame go on to "-2", "-3", ...
std::error_code SaveUnderFreeName(const QImage& bitmap, int32_t bitsPerPixel, const std::filesystem::path& folder,
                                  const SnapshotNames& names, std::filesystem::path& path)
{
    path = names.Nth(folder, 0);
    std::error_code error = SaveBitmapFile(bitmap, bitsPerPixel, path);
    for (int n = 1; error == std::errc::file_exists; ++n) {
        path = names.Nth(folder, n);
        error = SaveBitmapFile(bitmap, bitsPerPixel, path);
    }
    return error;
}

} // namespace

std::filesystem::path DefaultCaptureFolder()
{
    return std::filesystem::path(QDir::homePath().toStdString()) / "Storage" / "Capture";
}

Snapshot::Snapshot(display::CVorquil_Ctrl_Player& player, CaptureTimeSource time, std::filesystem::path folder)
    : m_player(player), m_time(std::move(time)), m_folder(std::move(folder))
{
}

SnapshotOutcome Snapshot::Take()
{
    const std::optional<CapturedFrame> frame = GrabFrame(m_player);
    if (!frame)
        return {SnapshotOutcome::Result::NoPicture, {}, "no picture on screen"};
    const QImage bitmap = FrameBitmap(*frame);
    // A fresh account has no Storage folder yet: both levels are made. Whatever stops them
    // shows up as the reason the file cannot be created.
    std::error_code ignored;
    std::filesystem::create_directory(m_folder.parent_path(), ignored);
    std::filesystem::create_directory(m_folder, ignored);
    // The picture's own time and channel; a control that names neither leaves the time on screen.
    const bool own = frame->channel >= 0;
    const recording::SystemTime time = own ? frame->time : m_time.curTime();
    const int format = m_time.timeFormat();
    const std::string channel = own ? FileNamePart(m_time.channelName(frame->channel)) : std::string();
    const SnapshotNames names{SnapshotFileName(time, format), SnapshotFileName(time, format, true),
                              channel.empty() ? channel : "-" + channel};
    std::filesystem::path path;
    if (const std::error_code error = SaveUnderFreeName(bitmap, frame->bitsPerPixel, m_folder, names, path))
        return {SnapshotOutcome::Result::Failed, path, error.message()};
    return {SnapshotOutcome::Result::Saved, path, {}};
}

} // namespace capture
