#include "platform/debug_output.h"

#include <cstdio>
#include <utility>

namespace platform {
namespace {

DebugOutputFactory installedFactory;

}  // namespace

DebugOutput::DebugOutput(DebugWindowOptions options) : options_(std::move(options)) {}

DebugOutput::~DebugOutput() = default;

void DebugOutput::setText(std::string_view text) {
    text_.assign(text);
    keepNewest();
    output(text);
}

void DebugOutput::append(std::string_view entry) {
    text_.append(entry);
    keepNewest();
    output(entry);
}

void DebugOutput::keepNewest() {
    const auto limit = static_cast<size_t>(options_.maxTextLength);
    if (limit > 0 && text_.size() > limit) {
        text_.erase(0, text_.size() - limit);
    }
}

void DebugOutput::output(std::string_view added) {
    std::fwrite(added.data(), 1, added.size(), stderr);
    std::fflush(stderr);
}

std::unique_ptr<DebugOutput> makeDebugOutput(DebugWindowOptions options) {
    if (installedFactory) {
        return installedFactory(std::move(options));
    }
    return std::make_unique<DebugOutput>(std::move(options));
}

void installDebugOutput(DebugOutputFactory factory) {
    installedFactory = std::move(factory);
}

}  // namespace platform
