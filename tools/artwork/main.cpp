// Draws the player's skin bitmaps and icon into a resource folder:
//     kelvora-artwork RES_DIR
// writes RES_DIR/bitmaps/<id>.bmp and RES_DIR/icons/108.png. The results are committed under res/,
// so the player builds without running this; run it again after changing the artwork.
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

bool SaveIcon(const QDir& dir)
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    artwork::DrawAppIcon(p, 32);
    p.end();
    return image.save(dir.filePath("108.png"), "PNG");
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
    if (!SaveIcon(QDir(res.filePath("icons")))) {
        std::fprintf(stderr, "kelvora-artwork: cannot write the icon\n");
        return 1;
    }
    std::printf("wrote %d bitmaps and the icon under %s\n", written, argv[1]);
    return 0;
}
