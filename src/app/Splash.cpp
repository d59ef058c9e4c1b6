#include "Splash.h"

#include "ProgramIcon.h"
#include "VersionInfo.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextDocument>
#include <QTextOption>

namespace {

QFont pixelFont(const QStringList &families, int pixels, bool bold = false)
{
    QFont f;
    f.setFamilies(families);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

} // namespace

VersionPanel::VersionPanel(int labelsLeft, QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("Panel1"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setFixedSize(317, 197);

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setGeometry(24, 60, 89, 89);
    icon->setScaledContents(true);
    icon->setPixmap(ProgramPixmap(89));

    auto *name = new QLabel(QStringLiteral("Skribando"), this);
    name->setObjectName(QStringLiteral("ProductName"));
    // Lucida Calligraphy where installed; the URW chancery face is its closest
    // relative on a Debian desktop.
    QFont nameFont = pixelFont({ QStringLiteral("Lucida Calligraphy"), QStringLiteral("Z003"),
                                   QStringLiteral("URW Chancery L"), QStringLiteral("Serif") },
        32, true);
    nameFont.setStyleHint(QFont::Cursive);
    name->setFont(nameFont);
    name->move(44, 8);
    name->adjustSize();

    const QFont labelFont
        = pixelFont({ QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif") }, 13);
    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("Version"));
    m_version->setGeometry(labelsLeft, 10, 73, 16);
    m_version->setAlignment(Qt::AlignCenter);
    m_version->setFont(labelFont);
    m_date = new QLabel(this);
    m_date->setObjectName(QStringLiteral("Date"));
    m_date->setGeometry(labelsLeft, 26, 73, 16);
    m_date->setAlignment(Qt::AlignCenter);
    m_date->setFont(labelFont);

    auto *rule = new QFrame(this);
    rule->setObjectName(QStringLiteral("Bevel1"));
    rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    rule->setGeometry(24, 176, 265, 2);

    auto *purpose = new QPlainTextEdit(this);
    purpose->setObjectName(QStringLiteral("Memo1"));
    purpose->setGeometry(128, 60, 181, 89);
    purpose->setFrameStyle(QFrame::NoFrame);
    purpose->setReadOnly(true);
    purpose->setEnabled(false);
    purpose->setFont(labelFont);
    purpose->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    purpose->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette pal = purpose->palette();
    pal.setColor(QPalette::Disabled, QPalette::Base, pal.color(QPalette::Window));
    pal.setColor(
        QPalette::Disabled, QPalette::Text, pal.color(QPalette::Active, QPalette::WindowText));
    purpose->setPalette(pal);
    purpose->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    purpose->setPlainText(QStringLiteral(
        "Buchbesprechungen\n- erfassen\n- versenden\n- verwalten\n- Web-Seiten erzeugen"));
}

namespace {
QStringList programVersionList()
{
    QStringList list;
    ReadVersionInfo(list);
    return list;
}
} // namespace

TSplashForm::TSplashForm(QWidget *parent)
    : TSplashForm(programVersionList(), parent)
{ }

TSplashForm::TSplashForm(const QStringList &versionList, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_panel(new VersionPanel(224, this))
{
    setObjectName(QStringLiteral("SplashForm"));
    setFixedSize(335, 214);
    m_panel->move(8, 8);
    m_panel->versionLabel()->setText(QStringLiteral("V") + GetVersionField(versionList, 3));
    m_panel->dateLabel()->setText(
        VersionValue(versionList, QStringLiteral("Productversion ")).trimmed());

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    qApp->installEventFilter(this);
}

bool TSplashForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched != this && isVisible()) {
        auto *window = qobject_cast<QWidget *>(watched);
        if (window && window->isWindow() && window->isModal()) {
            hide();
            window->raise();
            window->activateWindow();
        }
    }
    return QWidget::eventFilter(watched, event);
}
