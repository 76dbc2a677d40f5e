#include "ui/skinned/window_section.h"

namespace tornel::ui {

WindowSection::WindowSection(cSettingsFile& settings, const QString& formName)
    : settings_(settings) {
    try {
        settings_.rootNode();
        settings_.openNode(formName.toStdString());
        open_ = true;
    } catch (const std::exception&) {
        // Every read then gives its default and every write is skipped.
    }
}

WindowSection::~WindowSection() {
    if (open_) {
        try {
            settings_.closeNode();
        } catch (const std::exception&) {
            // The next section access starts from the root again anyway.
        }
    }
}

}  // namespace tornel::ui
