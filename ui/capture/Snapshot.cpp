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

// Snapshots taken within one recorded second share the name: the first free one of
// "<name>.bmp", "<name>-2.bmp", "<name>-3.bmp", ... is taken, and path says which.
std::error_code SaveUnderFreeName(const QImage& bitmap, int32_t bitsPerPixel, const std::filesystem::path& folder,
                                  const std::string& name, std::filesystem::path& path)
{
    path = folder / (name + ".bmp");
    std::error_code error = SaveBitmapFile(bitmap, bitsPerPixel, path);
    for (int n = 2; error == std::errc::file_exists; ++n) {
        path = folder / (name + "-" + std::to_string(n) + ".bmp");
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
    // The time is read now, so the name carries whatever frame the play thread showed last.
    const std::string name = SnapshotFileName(m_time.curTime(), m_time.timeFormat());
    std::filesystem::path path;
    if (const std::error_code error = SaveUnderFreeName(bitmap, frame->bitsPerPixel, m_folder, name, path))
        return {SnapshotOutcome::Result::Failed, path, error.message()};
    return {SnapshotOutcome::Result::Saved, path, {}};
}

} // namespace capture
