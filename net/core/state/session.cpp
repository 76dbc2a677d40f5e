#include "session.h"

#include "error_codes.h"
#include "guarded.h"
#include "library_state.h"

#include "platform/runtime_error.h"

#include <algorithm>

namespace qel {

SessionPtr SessionTable::append(std::weak_ptr<cQELEvents> owner) {
    auto session = std::make_shared<Session>();
    session->rpcBindings.resize(1);
    session->pendingSearches.resize(1);
    session->pendingContents.resize(1);
    session->pendingFileInfo.resize(1);
    session->nodeTable.resize(1);
    session->shares.resize(1);
    session->discovered.resize(1);
    session->owner = std::move(owner);
    session->inTable_ = true;
    records_.push_back(session);
    return session;
}

std::vector<SessionPtr>::const_iterator SessionTable::find(const Session& session) const {
    return std::find_if(records_.begin(), records_.end(),
                        [&session](const SessionPtr& s) { return s.get() == &session; });
}

void SessionTable::remove(const Session& session) {
    const auto found = find(session);
    if (found == records_.end()) {
        return;
    }
    const SessionPtr removed = *found;
    records_.erase(found);
    removed->inTable_ = false;
    removed->owner.reset();
    current_.reset();
}

SessionPtr SessionTable::at(int32_t index) const {
    return isValid(index) ? records_[static_cast<size_t>(index - 1)] : nullptr;
}

int32_t SessionTable::indexOf(const Session& session) const {
    const auto found = find(session);
    return found != records_.end() ? static_cast<int32_t>(found - records_.begin()) + 1 : 0;
}

SessionPtr SessionTable::live(const SessionHandle& handle) {
    SessionPtr session = handle.lock();
    return session && session->inTable_ ? session : nullptr;
}

namespace {

void requireInitialised() {
    if (!library().libraryInitialised) {
        throw platform::RuntimeError(code::NotInitialised, "QEL not initialised");
    }
}

}  // namespace

bool switchSession(int32_t index) {
    return guarded("", false, [index] {
        requireInitialised();
        SessionTable& table = library().sessions;
        if (index == table.currentIndex()) {
            return table.isValid(index);
        }
        if (!table.isValid(index)) {
            throw platform::RuntimeError(
                code::BadSessionIndex,
                "Cannot switch to session. Invalid session index: " + std::to_string(index));
        }
        table.setCurrent(table.at(index));
        return true;
    });
}

bool switchSession(const SessionHandle& handle) {
    return guarded("", false, [&handle] {
        requireInitialised();
        SessionPtr session = SessionTable::live(handle);
        if (!session) {
            return false;
        }
        library().sessions.setCurrent(std::move(session));
        return true;
    });
}

bool isValidSession(int32_t index) {
    return library().sessions.isValid(index);
}

SessionPtr currentSession() {
    return library().sessions.current();
}

SessionPtr requireCurrentSession() {
    SessionPtr session = currentSession();
    if (!session) {
        throw platform::RuntimeError(code::NotInitialised, "QEL not initialised");
    }
    return session;
}

SessionPtr appendSession(std::weak_ptr<cQELEvents> owner) {
    SessionPtr session = library().sessions.append(std::move(owner));
    switchSession(session);
    return session;
}

void removeSession(const Session& session) {
    library().sessions.remove(session);
}

CurrentSessionGuard::CurrentSessionGuard() : remembered_(library().sessions.current()) {}

CurrentSessionGuard::~CurrentSessionGuard() {
    library().sessions.setCurrent(SessionTable::live(remembered_));
}

bool packetSeen(std::string_view source, std::string_view id) {
    const SessionPtr& session = currentSession();
    return session && session->packetIDs.contains(source, id);
}

void rememberPacketID(std::string_view source, std::string_view id) {
    if (const SessionPtr& session = currentSession()) {
        session->packetIDs.remember(source, id);
    }
}

}  // namespace qel
