#include "core/util/deferred_pass.h"

namespace tornel {

DeferredPass::DeferredPass() {
    timer_.setInterval(1);
    timer_.setHandler([this] {
        timer_.setEnabled(false);
        // A copy: the work may set the work again while it runs.
        if (const std::function<void()> work = work_) {
            work();
        }
    });
}

void DeferredPass::request() {
    if (!timer_.enabled()) {
        timer_.setEnabled(true);
    }
}

void DeferredPass::requestWhenDestroyed(const QObject* object) {
    if (object != nullptr) {
        QObject::connect(object, &QObject::destroyed, &context_, [this] { request(); });
    }
}

}  // namespace tornel
