#include "ui/AboutDialog.h"

#include "res/Resources.h"
#include "res/StringTable.h"
#include "ui/DialogUnits.h"
#include "ui/GdiDraw.h"
#include "ui/SkinButton.h"
#include "ui/StaticText.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace ui {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_dragger(this)
{
    QFont dialogFont("Arial");
    dialogFont.setPixelSize(12);
    setFont(dialogFont);
    setFixedSize(dlu::X(217), dlu::Y(183));
    const QRect client = rect();
    const int right = client.right() + 1;
    const int bottom = client.bottom() + 1;

    m_btnCancel = new SkinButton(this);
    m_btnCancel->setGeometry(right - 22, client.top() + 3, 19, 19);
    m_btnCancel->SetBitmaps(178, 179, 178, 179);
    connect(m_btnCancel, &SkinButton::clicked, this, &QDialog::reject);

    m_btnOk = new SkinButton(this);
    m_btnOk->setGeometry(right - 82, bottom - 40, 70, 23);
    m_btnOk->SetBitmaps(197, 198, 197, 198);
    m_btnOk->setFocus();
    connect(m_btnOk, &SkinButton::clicked, this, &QDialog::accept);

    m_TitleFont = QFont("Arial");
    m_TitleFont.setPixelSize(16);
    m_TitleFont.setBold(true);

    // The version line is wider than its place at the dialog font: one pixel smaller and reaching
    // to the box's right margin, it stays on one whole line.
    m_version = new StaticText(this, res::LoadString(res::kStrVersionLine));
    const QRect versionPlace = dlu::Rect(58, 25, 139, 8);
    m_version->setGeometry(versionPlace.x(), versionPlace.y(), right - 8 - versionPlace.x(), versionPlace.height());
    QFont versionFont = font();
    versionFont.setPixelSize(11);
    m_version->setFont(versionFont);
    m_second = new StaticText(this, "Multi-channel DVR player");
    m_second->setGeometry(dlu::Rect(58, 39, 104, 8));
    for (StaticText* line : {m_version, m_second})
        line->SetColors(Qt::black, Qt::white, QColor(Qt::white));

    auto* logo = new QLabel(this);
    logo->setPixmap(res::LoadBitmap(203));
    logo->setGeometry(dlu::Rect(20, 31, 18, 17));
    logo->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto* title = new StaticText(this, "About");
    title->setGeometry(5, 5, 31, 15);
    title->hide();
}

void AboutDialog::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int left = 0, top = 0, right = width(), bottom = height();
    gdi::FillRect(p, left, top, right, 25, kBand);
    gdi::FillRect(p, left + 1, 26, right - 1, bottom - 1, Qt::white);
    gdi::Line(p, 0, 0, left, bottom - 1, Qt::black);
    gdi::Line(p, left, bottom - 1, right - 1, bottom - 1, Qt::black);
    gdi::Line(p, right - 1, bottom - 1, right - 1, top, Qt::black);
    gdi::Line(p, right - 1, top, left, top, Qt::black);
    p.setFont(m_TitleFont);
    p.setPen(Qt::white);
    p.drawText(QRect(QPoint(9, 4), QPoint(99, 21)), Qt::AlignLeft | Qt::AlignTop, res::LoadString(res::kStrAboutTitle));
}

// The skin buttons are not push buttons, so the dialog's own default-button handling passes OK by.
void AboutDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_btnOk->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void AboutDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragger.Begin(event->globalPosition().toPoint());
    QDialog::mousePressEvent(event);
}

void AboutDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragger.IsFollowing() && (event->buttons() & Qt::LeftButton))
        m_dragger.MoveTo(event->globalPosition().toPoint());
    QDialog::mouseMoveEvent(event);
}

void AboutDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragger.End();
    QDialog::mouseReleaseEvent(event);
}

} // namespace ui
