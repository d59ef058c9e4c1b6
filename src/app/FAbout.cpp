#include "FAbout.h"

#include "Splash.h"
#include "VersionInfo.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

TAboutBox1::TAboutBox1(QWidget *parent)
    : QDialog(parent)
    , m_panel(new VersionPanel(232, this))
    , m_legal(new QLabel(this))
{
    setObjectName(QStringLiteral("AboutBox1"));
    setWindowTitle(QStringLiteral("Info"));
    setFixedSize(335, 243);
    m_panel->move(8, 8);

    m_legal->setObjectName(QStringLiteral("Copyright"));
    QFont f = m_legal->font();
    f.setPixelSize(13);
    m_legal->setFont(f);
    m_legal->setWordWrap(true);
    m_legal->setGeometry(20, 172, 295, 14);
    m_legal->raise();

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setGeometry(127, 212, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QLabel *TAboutBox1::versionLabel() const { return m_panel->versionLabel(); }

QLabel *TAboutBox1::dateLabel() const { return m_panel->dateLabel(); }

void TAboutBox1::fill(const QStringList &versionInfoList)
{
    versionLabel()->setText(QStringLiteral("V") + GetVersionField(versionInfoList, 2));
    m_legal->setText(VersionValue(versionInfoList, QStringLiteral("LegalCopyRight ")).trimmed());
    // As high as the notice needs, so that none of it is cut off.
    m_legal->resize(m_legal->width(), qMax(14, m_legal->heightForWidth(m_legal->width())));
    dateLabel()->setText(
        VersionValue(versionInfoList, QStringLiteral("Productversion ")).trimmed());
}

void TAboutBox1::showFor(const QStringList &versionInfoList)
{
    fill(versionInfoList);
    exec();
}
