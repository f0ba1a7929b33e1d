#include "Anchors.h"

#include <QEvent>
#include <QResizeEvent>

namespace orv {

TAnchors::TAnchors(QWidget* parent)
    : QObject(parent)
    , m_parent(parent)
{
    parent->installEventFilter(this);
}

void TAnchors::Anchor(QWidget* control, Qt::Edges edges)
{
    const QRect g = control->geometry();
    const QSize size = m_parent->size();
    m_anchored.append({control, edges,
                       QMargins(g.left(), g.top(), size.width() - g.x() - g.width(),
                                size.height() - g.y() - g.height())});
}

void TAnchors::place(const Anchored& a, QSize parentSize) const
{
    QRect g = a.control->geometry();
    const bool left = a.edges & Qt::LeftEdge, right = a.edges & Qt::RightEdge;
    const bool top = a.edges & Qt::TopEdge, bottom = a.edges & Qt::BottomEdge;
    if (right) {
        const int rightX = parentSize.width() - a.distances.right();
        if (left)
            g.setWidth(std::max(0, rightX - a.distances.left()));
        g.moveLeft(left ? a.distances.left() : rightX - g.width());
    }
    if (bottom) {
        const int bottomY = parentSize.height() - a.distances.bottom();
        if (top)
            g.setHeight(std::max(0, bottomY - a.distances.top()));
        g.moveTop(top ? a.distances.top() : bottomY - g.height());
    }
    a.control->setGeometry(g);
}

bool TAnchors::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_parent && event->type() == QEvent::Resize) {
        const QSize size = static_cast<QResizeEvent*>(event)->size();
        for (const Anchored& a : m_anchored)
            if (a.control)
                place(a, size);
    }
    return false;
}

} // namespace orv
