#pragma once
#include <QString>

namespace ui {

// Where the open dialog starts: the folder of the last recording opened, kept between runs,
// else the demo recordings' folder when it exists, else the home folder.
class RecentFolder {
public:
    static QString StartFolder();
    // Keeps the folder of a recording that has just opened.
    static void Remember(const QString& recordingPath);
    // The choice itself, from the remembered folder (empty for none) and the home folder.
    static QString Choose(const QString& remembered, const QString& home);
};

} // namespace ui
