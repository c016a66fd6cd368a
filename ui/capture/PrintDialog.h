#pragma once
#include <functional>
#include <optional>

#include <QDialog>
#include <QFont>
#include <QImage>
#include <QString>

#include "display/CVorquil_Ctrl_Player.h"
#include "ui/capture/CaptureTimeSource.h"
#include "ui/capture/CapturedFrame.h"
#include "ui/capture/PrintSettings.h"
#include "ui/capture/Printing.h"

class QCheckBox;
class QLineEdit;

namespace capture {

// The modal "Print" dialog: a preview of the picture on screen, a note with the choices of
// printing it and the time stamp, and one page printed on the printer the user picks.
class PrintDialog : public QDialog {
    Q_OBJECT
public:
    using MessageBoxFunction = std::function<void(const QString&)>;

    PrintDialog(display::CVorquil_Ctrl_Player& player, PrintSettings& settings, CaptureTimeSource time,
                Printing& printing, MessageBoxFunction messageBox, QWidget* parent = nullptr);

    // Ok: keeps the note and the two choices in the player's settings, then closes.
    void accept() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void CreateControls();
    void OnTimeInfo();
    void OnReload();
    void FitCheckBoxes(int right);
    void OnPrint();
    std::optional<QString> TimeStamp() const;
    std::optional<QString> RecordingLine() const;
    void PaintPreview();

    display::CVorquil_Ctrl_Player& m_player;
    PrintSettings& m_settings;
    CaptureTimeSource m_time;
    Printing& m_printing;
    MessageBoxFunction m_messageBox;

    QCheckBox* m_timeInfoCheck = nullptr;
    QCheckBox* m_noteCheck = nullptr;
    QLineEdit* m_noteEdit = nullptr;
    QString m_strNote;
    int m_bTimeInfo = 0;
    int m_bNote = 0;
    // Set once a frame is captured into m_frame at a paint; only then does Print... print.
    int m_bLoaded = 0;
    // Reload's picture waits for the paint it asked for, which shows it without loading a frame.
    bool m_reloadPending = false;
    CapturedFrame m_frame; // what gets printed: m_pFrame, m_nWidth, m_nHeight
    QImage m_bmpFrame;     // what the preview shows, upright
    QFont m_fontCaption;
};

} // namespace capture
