#pragma once
#include <QString>

namespace app {

// Writes the decoder library that the player carries (resource "Codec" 224) into the system
// directory, afresh at every start. Failures never stop the start-up: a missing resource shows
// "Can't open codec file.", unobtainable bytes "Memory allocation failed.", and a target that
// cannot be written is left alone without a message.
class DecoderInstallation {
public:
    static constexpr char kResourcePath[] = ":/Codec/224";
    // "Ombrel.dll" under the platform's library name.
    static constexpr char kFileName[] = "libOmbrel.so";
    // The target path is built in a buffer of this many characters, the last one the terminator.
    static constexpr int kPathBufferSize = 260;

    // The system directory: the directory of the player's own libraries.
    static QString SystemDirectory();

    static void Install(const QString& systemDirectory = SystemDirectory(),
                        const QString& resourcePath = QString::fromLatin1(kResourcePath));
};

} // namespace app
