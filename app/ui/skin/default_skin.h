#pragma once

namespace tornel::ui {

class Skin;

// Draws the program's own default look into `skin`: a calm slate title bar
// with a blue accent, light bodies, light tabs, and line glyphs on the
// buttons. Every picture is drawn in code, the same on every run.
void addDefaultSkin(Skin& skin);

}  // namespace tornel::ui
