#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QFontMetricsF;

// A line of text whose digits each take a cell as wide as the font's widest digit, so that a
// number that changes (the seconds, a percentage, an address) keeps its place instead of
// jittering. Every other character takes its own advance. A character is a grapheme cluster,
// so that accents and emoji stay whole.
class DigitCells {
public:
    DigitCells() = default;
    // `clusters` as `metrics` measures them.
    DigitCells(const QStringList& clusters, const QFontMetricsF& metrics);

    // The grapheme clusters of `text`: what a reader counts as one character.
    static QStringList clustersOf(const QString& text);

    const QStringList& clusters() const { return m_clusters; }
    double width() const { return m_width; }

    // Calls `visit(cluster, left)` for every cluster, `left` being where its advance starts
    // when the line starts at `x`: a digit sits in the middle of its cell.
    template <typename Visit>
    void place(double x, Visit visit) const {
        for (qsizetype i = 0; i < m_clusters.size(); ++i) {
            visit(m_clusters[i], x + (m_cells[i] - m_advances[i]) / 2);
            x += m_cells[i];
        }
    }

private:
    QStringList m_clusters;
    QList<double> m_advances;
    QList<double> m_cells;
    double m_width = 0;
};
