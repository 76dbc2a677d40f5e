#pragma once

#include <QColor>

// The colours of the default skin, in one place so that the pictures and
// the controls drawn beside them agree.
namespace tornel::ui::palette {

inline const QColor kBarTop(0x33, 0x41, 0x50);
inline const QColor kBarBottom(0x27, 0x32, 0x3e);
inline const QColor kBarText(0xf2, 0xf5, 0xf8);
inline const QColor kAccent(0x3d, 0x86, 0xc0);
inline const QColor kAccentDark(0x2a, 0x62, 0x8f);
inline const QColor kBody(0xee, 0xf1, 0xf5);
inline const QColor kBodyEdge(0xd8, 0xde, 0xe5);
inline const QColor kText(0x1f, 0x2a, 0x36);
inline const QColor kTabUnselected(0xc6, 0xd0, 0xdb);
inline const QColor kTabBorder(0x8d, 0x9b, 0xab);
inline const QColor kButtonFace(0xff, 0xff, 0xff);
inline const QColor kButtonBorder(0xb3, 0xbf, 0xcc);
inline const QColor kGlyph(0x2a, 0x62, 0x8f);
inline const QColor kDisabledFace(0xe4, 0xe8, 0xed);
inline const QColor kDisabledBorder(0xd0, 0xd6, 0xdd);
inline const QColor kDisabledGlyph(0xa7, 0xb1, 0xbc);
// Text of a disabled list or tree: greyed, still easy to read.
inline const QColor kDisabledText(0x6b, 0x76, 0x82);
inline const QColor kWarm(0xd9, 0x8c, 0x3a);
inline const QColor kStop(0xc0, 0x4b, 0x4b);

}  // namespace tornel::ui::palette
