#include "ui/SystemAboutDialog.h"

#include "res/Resources.h"
#include "ui/DialogUnits.h"

#include <QLabel>
#include <QPushButton>

namespace ui {

SystemAboutDialog::SystemAboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    QFont dialogFont("Arial");
    dialogFont.setPixelSize(12);
    setFont(dialogFont);
    setWindowTitle(QString());
    setFixedSize(dlu::X(247), dlu::Y(175));

    auto* icon = new QLabel(this);
    icon->setPixmap(res::LoadAppIcon().pixmap(32, 32));
    icon->setGeometry(QRect(dlu::Point(23, 17), QSize(32, 32)));

    auto* version = new QLabel("Kelvora Player Version 1.0.2.0 (Build 090903)", this);
    version->setGeometry(QRect(dlu::Point(66, 10), QSize(dlu::X(170), dlu::Y(8))));
    auto* notice = new QLabel("Multi-channel DVR player", this);
    notice->setGeometry(QRect(dlu::Point(66, 25), QSize(dlu::X(170), dlu::Y(8))));

    m_ok = new QPushButton(QString::fromUtf8("확인"), this);
    m_ok->setGeometry(dlu::Rect(190, 154, 50, 14));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace ui
