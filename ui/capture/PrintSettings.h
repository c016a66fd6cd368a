#pragma once
#include <QString>

namespace capture {

// The print dialog's choices that the player window keeps for the whole run; the dialog
// writes them back only when closed with Ok.
struct PrintSettings {
    QString m_strPrintNote;
    int m_bPrintNote = 1;
    int m_bPrintTimeInfo = 1;
};

} // namespace capture
