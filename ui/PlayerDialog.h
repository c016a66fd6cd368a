#pragma once
// The player window: a frameless, fixed-size dialog that paints its own skin (rounded outline,
// title band, video frame, transport bar, lower panel) with every control at a fixed position.
// The transport and file controls are forwarded as signals; what they do is decided elsewhere.
#include "display/DispatchTarget.h"
#include "ui/WindowDragger.h"

#include <QDialog>
#include <QMenu>
#include <map>
#include <memory>

class QLineEdit;

namespace ui {

class SeekSlider;
class SkinButton;
class RunningPlayer;
class StaticText;
class VolumeSlider;

class PlayerDialog : public QDialog, public display::DisplayEventSink {
    Q_OBJECT
public:
    static constexpr int kDisplayWidth = 704;
    static constexpr int kDisplayHeight = 576;
    static constexpr int kWindowWidth = 734;
    static constexpr int kWindowHeight = 766;
    static constexpr int kBarTopAtLayout = 641;

    static constexpr QColor kGray{100, 100, 100};
    static constexpr QColor kDark{57, 57, 57};
    static constexpr QColor kLight{238, 238, 238};
    static constexpr QColor kOsdText{0, 192, 255};

    // The display control comes from the registered control class; without one (the control
    // library not loaded) a dark placeholder stands in and the control's calls go nowhere.
    explicit PlayerDialog(QWidget* parent = nullptr);
    ~PlayerDialog() override;

    // The running player: playback, the display control's wrapper and the handlers.
    RunningPlayer& Player() { return *m_player; }
    void OnDisplayEvent(int32_t eventId, int32_t arg1, int32_t arg2) override;

    // The control with a dialog id, or null.
    QWidget* GetDlgItem(int id) const;
    SkinButton* Button(int id) const;
    SeekSlider* GetSeekSlider() const { return m_SeekSlider; }
    VolumeSlider* GetVolumeSlider() const { return m_VolumeSlider; }
    // Top of the transport bar as the last paint computed it.
    int BarTop() const { return m_nBarTop; }
    QMenu* WindowMenu() { return &m_windowMenu; }

    void SetOsdText(const QString& text);
    void SetSpeedText(const QString& text);
    void SetTotalTimeText(const QString& text);
    void SetPathText(const QString& text);
    void SetSearchingVisible(bool visible);
    // The path box turns white once a recording has been chosen.
    void SetFileChosen(bool chosen);

signals:
    void PlayClicked();
    void RewClicked();
    void RClicked();
    void FClicked();
    void FfClicked();
    void FileOpenClicked();
    // A file dropped on the window; of several, the first.
    void FileDropped(const QByteArray& path);
    void PrintClicked();
    void SpeakerClicked();
    void Ch1Clicked();
    void Ch4Clicked();
    void Ch9Clicked();
    void Ch16Clicked();
    // The seek slider's scroll reports (code, position), queued.
    void SeekScrolled(int code, int position);
    // The volume slider's end of tracking; read the value with GetVolumeSlider()->GetPos().
    void VolumeTrackEnded();

public slots:
    void OnAbout();
    void OnSystemAbout();
    void ShowWindowMenu(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateControls();
    QWidget* CreateDisplayArea();
    void LayoutControls();
    void ApplyControlColours();
    void BuildWindowMenu();
    void CentreWindow();
    void PaintWindow(QPainter& p);
    QRect DisplayRect() const;
    SkinButton* AddButton(int id, void (PlayerDialog::*clicked)());
    void Place(int id, int x, int y, int w, int h);
    template <class T> T* Add(int id, T* widget);

    std::map<int, QWidget*> m_items;
    SkinButton* m_btnPlay = nullptr;
    SkinButton* m_btnFf = nullptr;
    VolumeSlider* m_VolumeSlider = nullptr;
    SeekSlider* m_SeekSlider = nullptr;
    QLineEdit* m_pathBox = nullptr;
    QWidget* m_titleMark = nullptr;
    QPixmap m_bmpBar;
    QFont m_TitleFont;
    QMenu m_windowMenu;
    WindowDragger m_dragger;
    int m_nBarTop = kBarTopAtLayout;
    display::DispatchTarget* m_displayTarget = nullptr;
    std::unique_ptr<RunningPlayer> m_player;
};

} // namespace ui
