// TAnchors: keeps controls at fixed distances from the window edges they are anchored to.
//
//   anchors.Anchor(control, Qt::LeftEdge | Qt::BottomEdge)
//
// The distances are taken when a control is anchored; when its parent is resized, a control
// anchored to the right (bottom) edge keeps its distance to it, and one anchored to both left
// and right (top and bottom) stretches. Controls not anchored keep left and top.
#pragma once

#include <QList>
#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace orv {

class TAnchors : public QObject {
public:
    explicit TAnchors(QWidget* parent);
    void Anchor(QWidget* control, Qt::Edges edges);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Anchored {
        QPointer<QWidget> control;
        Qt::Edges edges;
        QMargins distances; // to the parent's left, top, right and bottom edges
    };
    void place(const Anchored& anchored, QSize parentSize) const;

    QWidget* m_parent;
    QList<Anchored> m_anchored;
};

} // namespace orv
