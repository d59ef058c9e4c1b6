#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class VersionPanel;

// The about box ("Info"): created once at start-up, shown again on each call.
class TAboutBox1 : public QDialog
{
    Q_OBJECT

public:
    explicit TAboutBox1(QWidget *parent = nullptr);

    // Fills the labels from the version list and shows the box modally.
    void showFor(const QStringList &versionInfoList);
    // The same without running the dialog (tests look at the labels).
    void fill(const QStringList &versionInfoList);

    QLabel *versionLabel() const;
    QLabel *dateLabel() const;
    QLabel *legalLabel() const { return m_legal; }

private:
    VersionPanel *m_panel;
    QLabel *m_legal;
};
