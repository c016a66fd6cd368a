#include "app/startup/DecoderInstallation.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QResource>

#include "ui/MessageBox.h"

// The carried library lives in this static library's resources; referencing them keeps the
// linker from dropping them (the macro must stand outside any namespace).
static void InitCodecResource() { Q_INIT_RESOURCE(codec); }

namespace app {
namespace {

bool HoldsExactly(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.size() == bytes.size() && file.readAll() == bytes;
}

// CMake's cache sits beside lib/ in a build tree, never in an installation prefix.
bool IsBuildTree(const QString& systemDirectory)
{
    return QFile::exists(systemDirectory + QStringLiteral("/../CMakeCache.txt"));
}

// Whatever its bytes, a library the display control can load and find its decoder in is left
// alone: it may be a developer's own build. It is unloaded again, so that a later look at the
// same name sees the file then there, not this one.
bool LoadsAsDecoder(const QString& path)
{
    void* handle = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return false;
    const bool loads = ::dlsym(handle, "CreateVDecoder") && ::dlsym(handle, "CreateCConverter");
    ::dlclose(handle);
    return loads;
}

bool WriteAll(int fd, const char* bytes, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// A library that a running player has mapped must never change under it, and a library cut
// short would bring down every later start. So the bytes go to a temporary file beside the
// target, reach the disk, and only then take the target's name in one step; any failure on
// the way leaves the target (or its absence) as it was.
void ReplaceFile(const QString& path, const QByteArray& bytes)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    QByteArray temp = QFile::encodeName(path.left(slash + 1) + QLatin1Char('.') + path.mid(slash + 1)) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return;
    const bool written = ::fchmod(fd, 0644) == 0 && WriteAll(fd, bytes.constData(), static_cast<size_t>(bytes.size())) &&
                         ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(temp.constData(), QFile::encodeName(path).constData()) != 0)
        ::unlink(temp.constData());
}

} // namespace

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
    const uchar* data = resource.data();
    if (!data || resource.compressionAlgorithm() != QResource::NoCompression) {
        ui::MessageBox(QStringLiteral("Memory allocation failed."));
        return;
    }
    // An installed player never writes under its prefix: the package or `cmake --install`
    // put the library there, and only they may change it.
    if (systemDirectory.isEmpty() || !IsBuildTree(systemDirectory))
        return;
    const QString path = (systemDirectory + QLatin1Char('/') + QLatin1String(kFileName)).left(kPathBufferSize - 1);
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), resource.size());
    if (!HoldsExactly(path, bytes) && !LoadsAsDecoder(path))
        ReplaceFile(path, bytes);
}

} // namespace app
