#pragma once

#include "base/Progress.h"

#include <QElapsedTimer>
#include <QWidget>

#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress of long work in the status bar: what it does, a bar, and
// "Abbrechen" beside it where the work may be stopped (Escape does the same).
// It shows only once the work has lasted a moment, with a busy pointer, so
// short work shows nothing new. While it runs, the window keeps painting and
// takes no other input: the work runs on the window's own thread, and no
// other action may start in its midst.
class StatusProgress : public QWidget, public IProgress
{
    Q_OBJECT

public:
    explicit StatusProgress(QWidget *parent = nullptr);
    ~StatusProgress() override;

    void begin(const QString &text, qint64 total, bool stoppable) override;
    bool advance(qint64 done, const QString &text) override;
    void end() override;

    // Asks the work that may be stopped to stop, as "Abbrechen" does.
    void requestStop();
    bool busy() const { return !m_levels.empty(); }
    // How long work runs before it shows (milliseconds).
    void setShowDelay(int ms) { m_showDelay = ms; }

    QLabel *ProgressLabel = nullptr;
    QProgressBar *ProgressBar = nullptr;
    QPushButton *ButtonStopWork = nullptr;

signals:
    // Every step of the work, shown or not.
    void advanced(qint64 done, qint64 total, const QString &text);
    // The progress came into view, or went.
    void shownChanged(bool shown);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Level
    {
        QString text;
        qint64 total = 0;
        qint64 done = 0;
        bool stoppable = false;
        bool stopped = false;
    };

    void showWork();
    void refresh();
    void hideWork();

    std::vector<Level> m_levels;
    QElapsedTimer m_running;
    QElapsedTimer m_sinceRefresh;
    qint64 m_refreshEvery = 0;
    int m_showDelay = 400;
    bool m_shown = false;
};
