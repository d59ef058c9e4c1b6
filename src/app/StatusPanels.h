#pragma once

#include "base/StatusPanel.h"

#include <QStatusBar>

class QLabel;
class StatusProgress;

// The main window's status bar StatusBar1 with its eight fixed panels: three
// labels, the hint field and the counters of loaded files, the current file
// and the books in the review table. Panels are indexed by StatusPanel::Index.
class StatusPanels : public QStatusBar
{
    Q_OBJECT

public:
    explicit StatusPanels(QWidget *parent = nullptr);

    void setPanelText(int index, const QString &text);
    QString panelText(int index) const;
    QLabel *panel(int index) const;
    // The progress of long work, at the bar's right end.
    StatusProgress *progress() const { return m_progress; }

signals:
    void panelChanged(int index, const QString &text);

private:
    QList<QLabel *> m_panels;
    StatusProgress *m_progress = nullptr;
};
