#include "core/interfaces/prompts.h"

namespace tornel {

PromptAnswer Prompts::messageBox(const std::string&, PromptButtons buttons, PromptIcon,
                                 const std::string&) {
    switch (buttons) {
        case PromptButtons::Ok:
            return PromptAnswer::Ok;
        case PromptButtons::YesNo:
            return PromptAnswer::No;
        case PromptButtons::OkCancel:
        case PromptButtons::YesNoCancel:
            break;
    }
    return PromptAnswer::Cancel;
}

std::string Prompts::inputBox(const std::string&, const std::string&, const std::string&) {
    return {};
}

std::string Prompts::browseFolder(const std::string&, const std::string&) {
    return {};
}

std::string Prompts::openFileName(const std::string&) {
    return {};
}

std::string Prompts::saveFileName(const std::string&, const std::string&) {
    return {};
}

}  // namespace tornel
