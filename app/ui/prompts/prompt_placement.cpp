#include "ui/prompts/prompt_placement.h"

#include <QWidget>

namespace tornel::ui {

namespace {
constexpr Twips kAboveBottom = 450;
}

void placeAtBottomRight(QWidget& prompt, const ScreenInfo& screen) {
    const Twips width = pixelsToTwips(prompt.frameGeometry().width());
    const Twips height = pixelsToTwips(prompt.frameGeometry().height());
    prompt.move(twipsToPixels(screen.Width() - width),
                twipsToPixels(screen.Height() - height - kAboveBottom));
    prompt.raise();
}

}  // namespace tornel::ui
