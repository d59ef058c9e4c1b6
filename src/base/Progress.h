#pragma once

#include <QString>

// What long work tells the window: what it does and how far it is. The
// window shows it only when the work lasts (a bar in the status bar with its
// text, a busy pointer), keeps painting meanwhile, and lets the person stop
// work that may be stopped (Escape or "Abbrechen"). Work may nest: saving
// writes documents, each a piece of its own.
class IProgress
{
public:
    virtual ~IProgress();

    // A piece of work of total steps begins (0: not known how many).
    // stoppable: the person may stop it; the work then ends at a point where
    // everything is whole.
    virtual void begin(const QString &text, qint64 total, bool stoppable) = 0;
    // done of total steps are done; a text that is not null replaces what
    // the bar says. False once the person asked this piece to stop.
    virtual bool advance(qint64 done, const QString &text) = 0;
    // The innermost piece ends.
    virtual void end() = 0;
};

// One piece of long work, begun when made and ended when it goes, also when
// it fails. Without a progress (a subsystem on its own, a tool) it only
// counts and is never stopped.
class LongWork
{
public:
    LongWork(IProgress *progress, const QString &text, qint64 total, bool stoppable = false);
    ~LongWork();
    LongWork(const LongWork &) = delete;
    LongWork &operator=(const LongWork &) = delete;

    // Tells how far it is; false once the person asked to stop (then it
    // stays false).
    bool step(qint64 done, const QString &text = QString());
    bool stopped() const { return m_stopped; }

private:
    IProgress *m_progress;
    bool m_stopped = false;
};
