#pragma once

#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <cstdio>

namespace tornel::screens {

// Saves pictures of windows and menus as PNG files into one folder.
class ScreenShots {
  public:
    explicit ScreenShots(const QString& folder) : folder_(folder) { QDir().mkpath(folder); }

    bool ok() const { return ok_; }

    void save(const QString& name, const QPixmap& picture) {
        const QString path = QDir(folder_).filePath(name + QStringLiteral(".png"));
        if (picture.isNull() || !picture.save(path)) {
            std::fprintf(stderr, "could not save %s\n", qPrintable(path));
            ok_ = false;
            return;
        }
        std::printf("%s\n", qPrintable(path));
    }

    void window(const QString& name, QWidget& widget) { save(name, widget.grab()); }

    // The window with `menu` open over it, drawn where it pops up; the
    // menu alone is saved too.
    void windowWithMenu(const QString& name, QWidget& widget, QMenu& menu) {
        const QPixmap window = widget.grab();
        const QPixmap popup = menu.grab();
        const QPoint at = menu.pos() - widget.pos();
        QRect bounds = QRect(QPoint(0, 0), window.size()).united(QRect(at, popup.size()));
        QPixmap both(bounds.size());
        both.fill(Qt::white);
        QPainter painter(&both);
        painter.drawPixmap(-bounds.topLeft(), window);
        painter.drawPixmap(at - bounds.topLeft(), popup);
        painter.end();
        save(name, both);
        save(name + QStringLiteral("-menu"), popup);
    }

  private:
    QString folder_;
    bool ok_ = true;
};

}  // namespace tornel::screens
