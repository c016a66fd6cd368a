#include "ui/capture/Snapshot.h"

#include <system_error>
#include <utility>

#include <QDir>

#include "ui/capture/BitmapFile.h"
#include "ui/capture/CaptureTimeText.h"
#include "ui/capture/CapturedFrame.h"

namespace capture {

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
    // Only the last level is made; with its parent missing the file cannot be opened below.
    std::error_code ignored;
    std::filesystem::create_directory(m_folder, ignored);
    // The time is read now, so the name carries whatever frame the play thread showed last.
    const std::string name = SnapshotFileName(m_time.curTime(), m_time.timeFormat());
    const std::filesystem::path path = m_folder / (name + ".bmp");
    if (!SaveBitmapFile(bitmap, frame->bitsPerPixel, path))
        return {SnapshotOutcome::Result::Failed, path, "the file could not be written"};
    return {SnapshotOutcome::Result::Saved, path, {}};
}

} // namespace capture
