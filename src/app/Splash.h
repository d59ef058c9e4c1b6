#pragma once

#include <QFrame>
#include <QStringList>
#include <QWidget>

class QLabel;

// The bevelled panel that the splash window and the about box share: the
// program's picture and name, version and date, and what the program is for.
class VersionPanel : public QFrame
{
    Q_OBJECT

public:
    // labelsLeft: x of the version and date labels inside the panel.
    VersionPanel(int labelsLeft, QWidget *parent = nullptr);

    QLabel *versionLabel() const { return m_version; }
    QLabel *dateLabel() const { return m_date; }

private:
    QLabel *m_version;
    QLabel *m_date;
};

// The borderless start-up window.
class TSplashForm : public QWidget
{
    Q_OBJECT

public:
    explicit TSplashForm(QWidget *parent = nullptr);
    // Shows the given version list instead of the program's own.
    explicit TSplashForm(const QStringList &versionList, QWidget *parent = nullptr);

    QLabel *versionLabel() const { return m_panel->versionLabel(); }
    QLabel *dateLabel() const { return m_panel->dateLabel(); }

protected:
    // The splash stays on top; a question or report of the start-up would
    // sit under it, so it steps aside for any modal window.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    VersionPanel *m_panel;
};
