#include "app/startup/DecoderInstallation.h"

#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QResource>

#include "ui/MessageBox.h"

// The carried library lives in this static library's resources; referencing them keeps the
// linker from dropping them (the macro must stand outside any namespace).
static void InitCodecResource() { Q_INIT_RESOURCE(codec); }

namespace app {

QString DecoderInstallation::SystemDirectory()
{
    // Programs sit in bin/ and find their libraries in ../lib.
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../lib"));
}

void DecoderInstallation::Install(const QString& systemDirectory, const QString& resourcePath)
{
    if (!QCoreApplication::instance())
        return;
    InitCodecResource();
    const QResource resource(resourcePath);
    if (!resource.isValid()) {
        ui::MessageBox(QStringLiteral("Can't open codec file."));
        return;
    }
    const uchar* bytes = resource.data();
    if (!bytes || resource.compressionAlgorithm() != QResource::NoCompression) {
        ui::MessageBox(QStringLiteral("Memory allocation failed."));
        return;
    }
    const QString path = (systemDirectory + QLatin1Char('/') + QLatin1String(kFileName)).left(kPathBufferSize - 1);
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return;
    std::fwrite(bytes, 1, static_cast<size_t>(resource.size()), file);
    std::fclose(file);
}

} // namespace app
