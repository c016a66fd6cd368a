#pragma once
#include <QString>

#include "display/SystemDirectory.h"

namespace app {

// Puts the decoder library that the player carries (resource "Codec" 224) into the system
// directory of a build tree, when the file there neither holds exactly those bytes nor loads as
// a decoder. An installed player leaves its library folder as installed. The file is replaced
// in one step, never rewritten in place. Failures never stop the start-up: a
// missing resource shows "Can't open codec file.", unobtainable bytes "Memory allocation
// failed.", and a target that cannot be written is left as it was without a message.
class DecoderInstallation {
public:
    static constexpr char kResourcePath[] = ":/Codec/224";
    // "Ombrel.dll" under the platform's library name.
    static constexpr char kFileName[] = "libOmbrel.so";
    // The target path is built in a buffer of this many characters, the last one the terminator.
    static constexpr int kPathBufferSize = 260;

    // The default target folder is the system directory, the one the display control loads the
    // decoder library from.
    static void Install(const QString& systemDirectory = QString::fromStdString(display::SystemDirectory()),
                        const QString& resourcePath = QString::fromLatin1(kResourcePath));
};

} // namespace app
