#include "Progress.h"

IProgress::~IProgress() = default;

LongWork::LongWork(IProgress *progress, const QString &text, qint64 total, bool stoppable)
    : m_progress(progress)
{
    if (m_progress)
        m_progress->begin(text, total, stoppable);
}

LongWork::~LongWork()
{
    if (m_progress)
        m_progress->end();
}

bool LongWork::step(qint64 done, const QString &text)
{
    if (m_progress && !m_stopped && !m_progress->advance(done, text))
        m_stopped = true;
    return !m_stopped;
}
