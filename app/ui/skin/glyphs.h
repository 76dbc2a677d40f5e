#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace tornel::ui {

// Draws the line glyph of an action, named by its button Tag ("refresh",
// "chat", "send", "download", "status", "stop", "resume", "file", "folder",
// "delete", "clear"; and "users" for the users window), into `box`. An
// unknown name draws nothing.
void drawGlyph(QPainter& painter, const QString& name, const QRectF& box, const QColor& colour);

}  // namespace tornel::ui
