// Draws the player's skin bitmaps and icon into a resource folder:
//     kelvora-artwork RES_DIR
// writes RES_DIR/bitmaps/<id>.bmp, RES_DIR/icons/108.png and the desktop's icon theme folders
// RES_DIR/icons/hicolor/<size>/{apps,mimetypes}/ for the program and its recording files. The
// results are committed under res/, so the player builds without running this; run it again
// after changing the artwork.
#include "ArtPiece.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

namespace {

bool SavePiece(const artwork::ArtPiece& piece, const QDir& dir)
{
    QImage image(piece.size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    piece.draw(p);
    p.end();
    return image.convertToFormat(QImage::Format_RGB888).save(dir.filePath(QString("%1.bmp").arg(piece.id)), "BMP");
}

bool SaveIcon(void (*draw)(QPainter&, int), int size, const QString& path)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    draw(p, size);
    p.end();
    return image.save(path, "PNG");
}

// The sizes desktops look for in the hicolor theme.
constexpr int kThemeSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

bool SaveIcons(const QDir& icons)
{
    if (!SaveIcon(artwork::DrawAppIcon, 32, icons.filePath("108.png")))
        return false;
    for (int size : kThemeSizes) {
        const QString folder = QString("hicolor/%1x%1/").arg(size);
        if (!icons.mkpath(folder + "apps") || !icons.mkpath(folder + "mimetypes"))
            return false;
        if (!SaveIcon(artwork::DrawAppIcon, size, icons.filePath(folder + "apps/kelvora-player.png")) ||
            !SaveIcon(artwork::DrawRecordingIcon, size,
                      icons.filePath(folder + "mimetypes/application-x-kelvora-recording.png")))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelvora-artwork RES_DIR\n");
        return 2;
    }
    QDir res(QString::fromLocal8Bit(argv[1]));
    if (!res.mkpath("bitmaps") || !res.mkpath("icons")) {
        std::fprintf(stderr, "kelvora-artwork: cannot create folders under %s\n", argv[1]);
        return 1;
    }
    const QDir bitmaps(res.filePath("bitmaps"));
    int written = 0;
    for (auto pieces : {artwork::TransportPieces(), artwork::ControlPieces(), artwork::LogoPieces()}) {
        for (const auto& piece : pieces) {
            if (!SavePiece(piece, bitmaps)) {
                std::fprintf(stderr, "kelvora-artwork: cannot write bitmap %d\n", piece.id);
                return 1;
            }
            ++written;
        }
    }
    if (!SaveIcons(QDir(res.filePath("icons")))) {
        std::fprintf(stderr, "kelvora-artwork: cannot write the icons\n");
        return 1;
    }
    std::printf("wrote %d bitmaps and the icons under %s\n", written, argv[1]);
    return 0;
}
