#include "powerpoint/EventBursts.h"

bool EventBursts::add(qint64 nowMs) {
    const bool fresh = !m_last || nowMs - *m_last >= m_gap;
    m_last = nowMs;
    if (fresh)
        ++m_count;
    return fresh;
}
