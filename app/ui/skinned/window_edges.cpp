#include "ui/skinned/window_edges.h"

#include <QMouseEvent>
#include <QWindow>

#include <algorithm>

namespace tornel::ui {

// One edge or corner of the window: a transparent strip with the resize
// cursor of its edges.
class WindowEdges::Strip : public QWidget {
  public:
    Strip(QWidget& window, Qt::Edges edges) : QWidget(&window), window_(window), edges_(edges) {
        setObjectName(QStringLiteral("windowEdge"));
        setProperty("edges", int(edges));
        setAttribute(Qt::WA_NoSystemBackground);
        setCursor(cursorFor(edges));
    }

    Qt::Edges edges() const { return edges_; }

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) {
            return;
        }
        if (QWindow* handle = window_.windowHandle(); handle && handle->startSystemResize(edges_)) {
            return;
        }
        pressGlobal_ = event->globalPosition().toPoint();
        pressGeometry_ = window_.geometry();
        following_ = true;
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (following_) {
            follow(event->globalPosition().toPoint() - pressGlobal_);
        }
    }

    void mouseReleaseEvent(QMouseEvent*) override { following_ = false; }

  private:
    static Qt::CursorShape cursorFor(Qt::Edges edges) {
        const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
        const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
        if (horizontal && vertical) {
            const bool falling =
                edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge);
            return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
        }
        return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
    }

    // The window's geometry at the press moved by `delta` on the dragged
    // edges, never below its minimum size (the opposite edges stay put).
    void follow(QPoint delta) {
        QRect next = pressGeometry_;
        const QSize least = window_.minimumSize();
        if (edges_ & Qt::LeftEdge) {
            next.setLeft(std::min(next.left() + delta.x(), next.right() + 1 - least.width()));
        }
        if (edges_ & Qt::RightEdge) {
            next.setRight(std::max(next.right() + delta.x(), next.left() - 1 + least.width()));
        }
        if (edges_ & Qt::TopEdge) {
            next.setTop(std::min(next.top() + delta.y(), next.bottom() + 1 - least.height()));
        }
        if (edges_ & Qt::BottomEdge) {
            next.setBottom(std::max(next.bottom() + delta.y(), next.top() - 1 + least.height()));
        }
        window_.setGeometry(next);
    }

    QWidget& window_;
    Qt::Edges edges_;
    QPoint pressGlobal_;
    QRect pressGeometry_;
    bool following_ = false;
};

WindowEdges::WindowEdges(QWidget& window)
    : window_(window),
      strips_{new Strip(window, Qt::LeftEdge),
              new Strip(window, Qt::RightEdge),
              new Strip(window, Qt::TopEdge),
              new Strip(window, Qt::BottomEdge),
              new Strip(window, Qt::TopEdge | Qt::LeftEdge),
              new Strip(window, Qt::TopEdge | Qt::RightEdge),
              new Strip(window, Qt::BottomEdge | Qt::LeftEdge),
              new Strip(window, Qt::BottomEdge | Qt::RightEdge)} {
    place();
}

void WindowEdges::place() {
    const int width = window_.width();
    const int height = window_.height();
    const int t = kThickness;
    // Corners take a longer stretch of each edge, so they are easy to find.
    const int corner = 3 * t;
    for (Strip* strip : strips_) {
        const Qt::Edges edges = strip->edges();
        const bool left = edges & Qt::LeftEdge;
        const bool right = edges & Qt::RightEdge;
        const bool top = edges & Qt::TopEdge;
        const bool bottom = edges & Qt::BottomEdge;
        QRect area;
        if ((left || right) && (top || bottom)) {
            area = QRect(left ? 0 : width - corner, top ? 0 : height - corner, corner, corner);
        } else if (left || right) {
            area = QRect(left ? 0 : width - t, corner, t, height - 2 * corner);
        } else {
            area = QRect(corner, top ? 0 : height - t, width - 2 * corner, t);
        }
        strip->setGeometry(area);
        strip->raise();
    }
    // A corner square lies over the edge strips; only its border band is the corner.
    for (Strip* strip : strips_) {
        const Qt::Edges edges = strip->edges();
        if ((edges & (Qt::LeftEdge | Qt::RightEdge)) && (edges & (Qt::TopEdge | Qt::BottomEdge))) {
            const QRect square = strip->rect();
            QRegion band(square);
            band -= QRect(edges & Qt::LeftEdge ? t : 0, edges & Qt::TopEdge ? t : 0,
                          square.width() - t, square.height() - t);
            strip->setMask(band);
        }
    }
}

void WindowEdges::setEnabled(bool enabled) {
    for (Strip* strip : strips_) {
        strip->setVisible(enabled);
    }
}

}  // namespace tornel::ui
