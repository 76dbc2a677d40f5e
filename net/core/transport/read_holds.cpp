#include "read_holds.h"

#include "connection.h"

#include <algorithm>
#include <utility>

namespace qel {

bool ReadHolds::addHolder(const std::string& holderID) {
    if (std::find(holders_.begin(), holders_.end(), holderID) != holders_.end()) {
        return false;
    }
    holders_.push_back(holderID);
    return holders_.size() == 1;
}

bool ReadHolds::removeHolder(const std::string& holderID) {
    const auto found = std::find(holders_.begin(), holders_.end(), holderID);
    if (found == holders_.end()) {
        return false;
    }
    holders_.erase(found);
    return holders_.empty();
}

bool ReadHolds::clearHolders() {
    if (holders_.empty()) {
        return false;
    }
    holders_.clear();
    return true;
}

void ReadHolds::holdSource(const std::shared_ptr<clsSocket>& source, const std::string& ownID) {
    const bool known = std::any_of(holding_.begin(), holding_.end(),
                                   [&source](const auto& h) { return h.lock() == source; });
    if (!known) {
        holding_.push_back(source);
    }
    source->holdReading(ownID);
}

void ReadHolds::releaseSources(const std::string& ownID) {
    for (const std::weak_ptr<clsSocket>& held : std::exchange(holding_, {})) {
        if (const std::shared_ptr<clsSocket> source = held.lock()) {
            source->releaseReading(ownID);
        }
    }
}

}  // namespace qel
