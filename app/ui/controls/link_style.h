#pragma once

namespace tornel::ui {

class Label;

// A label that reads as a link: underlined, in the accent colour, with a
// hand pointer.
void styleLink(Label& link);

// A link that cannot be followed ("Not sharing folders"): plain black text,
// not underlined, disabled.
void styleDeadLink(Label& link);

}  // namespace tornel::ui
