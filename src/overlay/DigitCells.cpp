#include "overlay/DigitCells.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>

#include <algorithm>

DigitCells::DigitCells(const QStringList& clusters, const QFontMetricsF& metrics)
    : m_clusters(clusters) {
    double digit = 0;
    for (char16_t c = u'0'; c <= u'9'; ++c)
        digit = std::max(digit, metrics.horizontalAdvance(QChar(c)));
    m_advances.reserve(clusters.size());
    m_cells.reserve(clusters.size());
    for (const QString& cluster : clusters) {
        const double advance = metrics.horizontalAdvance(cluster);
        const bool isDigit = cluster.size() == 1 && cluster.front().isDigit();
        m_advances << advance;
        m_cells << (isDigit ? digit : advance);
        m_width += m_cells.back();
    }
}

QStringList DigitCells::clustersOf(const QString& text) {
    QStringList clusters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype from = 0;
    for (qsizetype to = finder.toNextBoundary(); to != -1; to = finder.toNextBoundary()) {
        if (to > from)
            clusters << text.mid(from, to - from);
        from = to;
    }
    return clusters;
}
