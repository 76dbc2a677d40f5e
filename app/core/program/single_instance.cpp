#include "core/program/single_instance.h"

#include <QString>

namespace tornel {

SingleInstanceLock::SingleInstanceLock(const std::string& programFolder)
    : lock_(QString::fromStdString(programFolder + "/Tornel.lock")) {
    // A lock is stale only when its copy is gone, however long it has run.
    lock_.setStaleLockTime(0);
}

bool SingleInstanceLock::acquire(int64_t waitMs) {
    return lock_.tryLock(static_cast<int>(waitMs));
}

}  // namespace tornel
