#pragma once

#include <QString>

// A control's hint holds a short text and a long text separated by "|": the
// short one is the tooltip, the long one goes to the status bar. Without a
// bar both are the whole text.
inline QString GetShortHint(const QString &hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.left(bar);
}

inline QString GetLongHint(const QString &hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.mid(bar + 1);
}
