#include "ui/PlayerDialog.h"

#include "display/ControlRegistry.h"
#include "recording/TimeText.h"
#include "res/Resources.h"
#include "res/StringTable.h"
#include "ui/AboutDialog.h"
#include "ui/ControlIds.h"
#include "ui/DialogUnits.h"
#include "ui/GdiDraw.h"
#include "ui/RunningPlayer.h"
#include "ui/SeekSlider.h"
#include "ui/SkinButton.h"
#include "ui/StaticText.h"
#include "ui/SystemAboutDialog.h"
#include "ui/VolumeSlider.h"

#include <QBitmap>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QWindow>

namespace ui {
namespace {

constexpr int kW = PlayerDialog::kDisplayWidth;

QRegion RoundedWindowRegion(int width, int height)
{
    // The outline's rounded rectangle, one pixel larger to the right and bottom, 14 x 14 corners.
    QBitmap shape(width + 1, height + 1);
    shape.fill(Qt::color0);
    QPainter p(&shape);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::color1);
    p.drawRoundedRect(QRect(0, 0, width + 1, height + 1), 7, 7);
    p.end();
    return QRegion(shape);
}

} // namespace

PlayerDialog::PlayerDialog(QWidget* parent)
    // A normal top-level window to the window manager (a taskbar entry, never transient or
    // modal), drawn without its frame: the skin paints title band and buttons itself.
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint),
      m_dragger(this)
{
    QFont dialogFont("Arial");
    dialogFont.setPixelSize(12);
    setFont(dialogFont);
    m_TitleFont = QFont("Arial");
    m_TitleFont.setPixelSize(16);
    m_TitleFont.setBold(true);

    setWindowIcon(res::LoadAppIcon());
    setWindowTitle(res::LoadString(res::kStrTitle));
    setAcceptDrops(true);
    m_bmpBar = res::LoadBitmap(175);

    CreateControls();
    BuildWindowMenu();
    setFixedSize(kWindowWidth, kWindowHeight);
    setMask(RoundedWindowRegion(kWindowWidth, kWindowHeight));
    move(500, 300);
    m_nBarTop = kBarTopAtLayout;
    LayoutControls();
    ApplyControlColours();
    CentreWindow();

    m_VolumeSlider->SetRange(0, 15);
    m_VolumeSlider->SetPos(8);
    m_player = std::make_unique<RunningPlayer>(*this, m_displayTarget);
}

// The player stops its threads before the controls they reach go with the window.
PlayerDialog::~PlayerDialog() { m_player.reset(); }

void PlayerDialog::OnDisplayEvent(int32_t eventId, int32_t, int32_t)
{
    if (m_player)
        m_player->OnDisplayEvent(eventId);
}

void PlayerDialog::contextMenuEvent(QContextMenuEvent* event) { m_player->ShowContextMenu(event->globalPos()); }

template <class T> T* PlayerDialog::Add(int id, T* widget)
{
    m_items[id] = widget;
    return widget;
}

SkinButton* PlayerDialog::AddButton(int id, void (PlayerDialog::*clicked)())
{
    auto* button = Add(id, new SkinButton(this));
    if (clicked)
        connect(button, &SkinButton::clicked, this, clicked);
    return button;
}

QWidget* PlayerDialog::CreateDisplayArea()
{
    const display::ControlInstance control =
        display::ControlRegistry::Create(display::kPlayerControlClassId, this, this);
    if (control.widget) {
        m_displayTarget = control.target;
        return control.widget;
    }
    auto* area = new QWidget(this);
    area->setAutoFillBackground(true);
    QPalette pal = area->palette();
    pal.setColor(QPalette::Window, QColor(12, 12, 14));
    area->setPalette(pal);
    return area;
}

void PlayerDialog::CreateControls()
{
    // Template items the window keeps hidden and disabled: the storage import and export commands.
    for (const auto& [id, text] : {std::pair{id::kOpenVdxFile, "Open VDXFile"}, std::pair{id::kMakeChdFile, "Make ChdFile"},
                                   std::pair{id::kCombineFiles, "Combine Files"}}) {
        auto* button = Add(id, new QPushButton(text, this));
        button->setEnabled(false);
        button->hide();
    }
    auto* folders = Add(id::kFolderList, new QComboBox(this));
    folders->setEnabled(false);
    folders->hide();

    auto* mark = new QLabel(this);
    mark->setPixmap(res::LoadBitmap(202));
    mark->setGeometry(QRect(dlu::Point(9, 3), QSize(16, 16)));
    mark->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_titleMark = mark;

    m_SeekSlider = Add(id::kSeek, new SeekSlider(this));
    connect(m_SeekSlider, &SeekSlider::Scrolled, this, &PlayerDialog::SeekScrolled);

    AddButton(id::kRew, &PlayerDialog::RewClicked);
    AddButton(id::kR, &PlayerDialog::RClicked);
    m_btnPlay = AddButton(id::kPlay, &PlayerDialog::PlayClicked);
    AddButton(id::kF, &PlayerDialog::FClicked);
    m_btnFf = AddButton(id::kFf, &PlayerDialog::FfClicked);

    m_VolumeSlider = Add(id::kVolume, new VolumeSlider(this));
    connect(m_VolumeSlider, &VolumeSlider::TrackEnded, this, &PlayerDialog::VolumeTrackEnded);
    AddButton(id::kSpeakerMin, &PlayerDialog::SpeakerClicked);
    AddButton(id::kSpeakerMax, nullptr);

    auto* minimize = AddButton(id::kMinimize, nullptr);
    connect(minimize, &SkinButton::clicked, this, &QWidget::showMinimized);
    AddButton(id::kMaximize, nullptr);
    auto* exitButton = AddButton(id::kExit, nullptr);
    connect(exitButton, &SkinButton::clicked, this, &QDialog::accept);

    Add(id::kDisplay, CreateDisplayArea());

    m_pathBox = Add(id::kPathBox, new QLineEdit(this));
    m_pathBox->setReadOnly(true);
    m_pathBox->setFrame(false);
    m_pathBox->setAutoFillBackground(true);
    m_pathBox->setFocusPolicy(Qt::NoFocus);
    AddButton(id::kFileOpen, &PlayerDialog::FileOpenClicked);
    AddButton(id::kPrint, &PlayerDialog::PrintClicked);

    for (int label : {id::kOsd, id::kSpeed, id::kTotalTime, id::kName, id::kVer, id::kSearching})
        Add(label, new StaticText(this));

    AddButton(id::kCh1, &PlayerDialog::Ch1Clicked);
    AddButton(id::kCh4, &PlayerDialog::Ch4Clicked);
    AddButton(id::kCh9, &PlayerDialog::Ch9Clicked);
    AddButton(id::kCh16, &PlayerDialog::Ch16Clicked);
}

void PlayerDialog::Place(int id, int x, int y, int w, int h)
{
    GetDlgItem(id)->setGeometry(x, y, w, h);
}

void PlayerDialog::LayoutControls()
{
    const int b = m_nBarTop;
    struct ButtonPlacement { int id, x, y, w, h, normal, down, over, checked; };
    const ButtonPlacement transport[] = {
        {id::kPlay, kW / 2, b + 3, 43, 48, 153, 154, 189, 154},
        {id::kR, 316, b + 3, 36, 48, 160, 161, 193, 161},
        {id::kRew, 280, b + 3, 36, 48, 162, 155, 194, 155},
        {id::kF, 395, b + 3, 36, 48, 156, 157, 190, 157},
        {id::kFf, 431, b + 3, 36, 48, 158, 159, 191, 159},
    };
    const auto placeButton = [this](const ButtonPlacement& bp) {
        Place(bp.id, bp.x, bp.y, bp.w, bp.h);
        Button(bp.id)->SetBitmaps(bp.normal, bp.down, bp.over, bp.checked);
    };
    for (const auto& bp : transport)
        placeButton(bp);
    // Until the first press names a speed, the tooltip says what the button is for.
    m_btnFf->setToolTip(QStringLiteral("Fast forward"));

    Place(id::kVolume, kW - 100, b + 20, 115, 14);
    placeButton({id::kSpeakerMin, kW - 114, b + 20, 14, 15, 166, 167, 166, 167});
    placeButton({id::kSpeakerMax, kW - 5, b + 20, 14, 15, 166, 167, 166, 167});
    GetDlgItem(id::kSpeakerMax)->hide();

    placeButton({id::kMinimize, kW - 21, 3, 19, 19, 182, 183, 182, 183});
    placeButton({id::kMaximize, kW - 21, 3, 19, 19, 180, 181, 180, 181});
    GetDlgItem(id::kMaximize)->hide();
    placeButton({id::kExit, kW - 2, 3, 19, 19, 178, 179, 178, 179});

    Place(id::kDisplay, 15, 30, kDisplayWidth, kDisplayHeight);
    GetDlgItem(id::kDisplay)->show();
    GetDlgItem(id::kDisplay)->raise();

    Place(id::kSeek, 10, 694, 713, 20);

    Place(id::kPathBox, 25, 724, 604, 15);
    placeButton({id::kFileOpen, 634, b + 80, 53, 22, 163, 164, 163, 164});
    placeButton({id::kPrint, 690, b + 80, 22, 21, 215, 216, 215, 216});

    Place(id::kOsd, 270, 606, 180, 14);
    SetOsdText({});
    // SPEED reaches 5 pixels into OSD; the date and time must stay whole.
    GetDlgItem(id::kOsd)->raise();
    Place(id::kSpeed, 195, 606, 80, 14);
    SetSpeedText({});
    Place(id::kTotalTime, 24, 662, 129, 15);
    // Six two-digit fields and their separators fill 130 pixels at the dialog font: one pixel
    // smaller, with a pixel of room at the left, the first and the last digit stay whole.
    QFont timeFont = font();
    timeFont.setPixelSize(11);
    GetDlgItem(id::kTotalTime)->setFont(timeFont);
    GetDlgItem(id::kTotalTime)->setContentsMargins(2, 0, 0, 0);
    SetTotalTimeText(QString::fromStdString(recording::FormatElapsedTotal(0, 0, 0, 0, 0, 0)));
    Place(id::kName, 35, 6, 62, 15);
    static_cast<StaticText*>(GetDlgItem(id::kName))->SetText("Kelvora Player");
    GetDlgItem(id::kName)->hide();
    Place(id::kVer, 660, 608, 50, 15);
    static_cast<StaticText*>(GetDlgItem(id::kVer))->SetText("Ver 1.0.1.3");
    GetDlgItem(id::kVer)->hide();
    Place(id::kSearching, 470, 606, 66, 14);
    static_cast<StaticText*>(GetDlgItem(id::kSearching))->SetText("Searching...");
    SetSearchingVisible(false);

    placeButton({id::kCh1, 641, b - 19, 19, 19, 205, 206, 205, 206});
    placeButton({id::kCh4, 661, b - 19, 19, 19, 207, 208, 207, 208});
    placeButton({id::kCh9, 681, b - 19, 19, 19, 209, 210, 209, 210});
    placeButton({id::kCh16, 701, b - 19, 19, 19, 211, 204, 211, 204});
}

void PlayerDialog::ApplyControlColours()
{
    const auto colour = [this](int id, QColor text, QColor back, std::optional<QColor> brush) {
        static_cast<StaticText*>(GetDlgItem(id))->SetColors(text, back, brush);
    };
    colour(id::kOsd, kOsdText, kGray, kGray);
    colour(id::kSpeed, kOsdText, kGray, kGray);
    colour(id::kVer, kOsdText, kGray, kGray);
    colour(id::kTotalTime, kDark, QColor(169, 169, 169), kGray);
    colour(id::kName, Qt::white, kDark, kGray);
    colour(id::kSearching, kOsdText, kGray, std::nullopt);

    QPalette seek = m_SeekSlider->palette();
    seek.setColor(QPalette::Window, kDark);
    m_SeekSlider->setPalette(seek);
    SetFileChosen(false);
}

void PlayerDialog::SetFileChosen(bool chosen)
{
    QPalette pal = m_pathBox->palette();
    const QColor back = chosen ? QColor(Qt::white) : kLight;
    pal.setColor(QPalette::Base, back);
    pal.setColor(QPalette::Window, back);
    pal.setColor(QPalette::Text, QColor(35, 35, 35));
    m_pathBox->setPalette(pal);
}

QWidget* PlayerDialog::GetDlgItem(int id) const
{
    const auto it = m_items.find(id);
    return it == m_items.end() ? nullptr : it->second;
}

SkinButton* PlayerDialog::Button(int id) const
{
    return qobject_cast<SkinButton*>(GetDlgItem(id));
}

void PlayerDialog::SetOsdText(const QString& text) { static_cast<StaticText*>(GetDlgItem(id::kOsd))->SetText(text); }
void PlayerDialog::SetSpeedText(const QString& text) { static_cast<StaticText*>(GetDlgItem(id::kSpeed))->SetText(text); }
void PlayerDialog::SetTotalTimeText(const QString& text)
{
    static_cast<StaticText*>(GetDlgItem(id::kTotalTime))->SetText(text);
}
void PlayerDialog::SetPathText(const QString& text) { m_pathBox->setText(text); }
void PlayerDialog::SetSearchingVisible(bool visible) { GetDlgItem(id::kSearching)->setVisible(visible); }

QRect PlayerDialog::DisplayRect() const
{
    return GetDlgItem(id::kDisplay)->geometry();
}

void PlayerDialog::BuildWindowMenu()
{
    QAction* restore = m_windowMenu.addAction("Restore", this, &QWidget::showNormal);
    m_windowMenu.addAction("Move", this, [this] {
        if (QWindow* handle = windowHandle())
            handle->startSystemMove();
    });
    m_windowMenu.addAction("Minimize", this, &QWidget::showMinimized);
    m_windowMenu.addAction("Close", this, &QDialog::reject);
    const QString about = res::LoadString(res::kStrAboutMenu);
    if (!about.isEmpty()) {
        m_windowMenu.addSeparator();
        m_windowMenu.addAction(about, this, &PlayerDialog::OnSystemAbout);
    }
    connect(&m_windowMenu, &QMenu::aboutToShow, this, [this, restore] { restore->setEnabled(isMinimized()); });
    // A shortcut, so that Alt+Space reaches the window whichever control has the focus.
    auto* altSpace = new QShortcut(QKeySequence(Qt::AltModifier | Qt::Key_Space), this);
    connect(altSpace, &QShortcut::activated, this, [this] {
        ShowWindowMenu(mapToGlobal(QPoint(m_titleMark->x(), m_titleMark->geometry().bottom() + 1)));
    });
}

void PlayerDialog::ShowWindowMenu(const QPoint& globalPos)
{
    m_windowMenu.popup(globalPos);
}

void PlayerDialog::OnAbout()
{
    AboutDialog box(this);
    box.exec();
}

void PlayerDialog::OnSystemAbout()
{
    SystemAboutDialog box(this);
    box.exec();
}

void PlayerDialog::CentreWindow()
{
    const QRect area = parentWidget() ? parentWidget()->window()->frameGeometry()
                                      : (screen() ? screen()->geometry() : QRect());
    if (area.isEmpty())
        return;
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void PlayerDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !isMinimized())
        CentreWindow();
}

void PlayerDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    const QPoint pt = event->position().toPoint();
    if (m_titleMark->geometry().contains(pt)) {
        ShowWindowMenu(mapToGlobal(QPoint(m_titleMark->x(), m_titleMark->geometry().bottom() + 1)));
        return;
    }
    // The video and a small margin around it never start a move.
    const QRect v = DisplayRect();
    if (v.adjusted(-5, -2, 5, 0).contains(pt))
        return;
    m_dragger.Begin(event->globalPosition().toPoint());
    QDialog::mousePressEvent(event);
}

void PlayerDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragger.IsFollowing() && (event->buttons() & Qt::LeftButton))
        m_dragger.MoveTo(event->globalPosition().toPoint());
    QDialog::mouseMoveEvent(event);
}

void PlayerDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragger.End();
    QDialog::mouseReleaseEvent(event);
}

void PlayerDialog::paintEvent(QPaintEvent*)
{
    QPixmap image(size());
    {
        QPainter off(&image);
        PaintWindow(off);
    }
    QPainter p(this);
    p.drawPixmap(0, 0, image);
    p.setFont(m_TitleFont);
    p.setPen(Qt::white);
    p.drawText(QRect(QPoint(35, 5), QPoint(149, 21)), Qt::AlignLeft | Qt::AlignTop, res::LoadString(res::kStrTitle));
}

void PlayerDialog::PaintWindow(QPainter& p)
{
    const int w = width();
    const int h = height();
    const QRect v = DisplayRect();
    const int l = v.left(), t = v.top(), r = v.right() + 1, bo = v.bottom() + 1;

    gdi::Rectangle(p, 0, 0, w, h, Qt::black, Qt::white);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRect(0, 0, w - 1, h - 1), 7, 7);
    p.setClipRegion(QRegion(rect()) - QRegion(v));

    gdi::Rectangle(p, l - 5, 0, r + 5, t, Qt::black, kDark);
    gdi::Rectangle(p, l - 5, t - 5, r + 5, bo + 15, Qt::black, kGray);

    m_nBarTop = bo + 38;
    const int b = m_nBarTop;
    const QColor edgeDark(47, 47, 47);
    const QColor edgeLight(200, 200, 200);
    gdi::Line(p, l - 5, b + 48, r + 5, b + 48, edgeDark);
    gdi::Line(p, l - 5, b + 70, r + 5, b + 70, edgeDark);
    gdi::Line(p, l - 5, b + 49, r + 5, b + 49, edgeLight);
    gdi::Line(p, l - 5, b + 71, r + 5, b + 71, edgeLight);

    p.drawPixmap(QRect(l - 5, b, r - 5, 48), m_bmpBar);

    gdi::Rectangle(p, l - 5, b + 71, r + 5, b + 110, edgeLight, QColor(225, 225, 225));

    gdi::Line(p, l - 5, b - 1, r + 5, b - 1, kDark, 2);
    gdi::Line(p, l - 5, b + 110, r + 5, b + 110, kDark, 2);
    gdi::Line(p, l - 5, b - 2, l - 5, b + 110, kDark, 2);
    gdi::Line(p, r + 5, b - 1, r + 5, b + 110, kDark, 2);

    // Three nested frames around the path box, lightest inside.
    const QRect e = m_pathBox->geometry();
    const int el = e.left(), et = e.top(), er = e.right() + 1, eb = e.bottom() + 1;
    const QColor frames[] = {QColor(228, 228, 228), QColor(178, 178, 178), QColor(104, 104, 104)};
    for (int k = 0; k < 3; ++k) {
        const int fl = el - 1 - k, ft = et - 1 - k, fr = er + k, fb = eb + k;
        gdi::Line(p, fl, ft, fr + 1, ft, frames[k]);
        gdi::Line(p, fl, fb, fr + 1, fb, frames[k]);
        gdi::Line(p, fl, ft, fl, fb + 1, frames[k]);
        gdi::Line(p, fr, ft, fr, fb + 1, frames[k]);
    }
}

namespace {

// The first local file among what is dragged, as the file system's bytes (a name that is not
// UTF-8 does not survive a trip through QString); empty when there is none.
QByteArray FirstDraggedFile(const QMimeData* data)
{
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    }
    return {};
}

} // namespace

void PlayerDialog::dragEnterEvent(QDragEnterEvent* event)
{
    if (!FirstDraggedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void PlayerDialog::dropEvent(QDropEvent* event)
{
    const QByteArray path = FirstDraggedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    emit FileDropped(path);
}

} // namespace ui
