#include "node_object.h"

#include "advanced_settings.h"
#include "confirmation.h"
#include "connection_manager.h"
#include "discovery.h"
#include "error_log.h"
#include "identifiers.h"
#include "library_state.h"
#include "node_connection_services.h"
#include "node_frame.h"
#include "numbers.h"
#include "service_methods.h"
#include "shares.h"
#include "socket_host.h"
#include "user_store.h"

#include "platform/event_loop.h"
#include "platform/identity.h"
#include "qellib/settings.h"

#include <utility>

// The life cycle of a node: creation, identity and settings, shares,
// listening, and shutting down.
namespace qel {
namespace {

// Each step of a node's creation goes on when an earlier one failed; the
// failures that matter report themselves.
template <class Step>
void creationStep(Step&& step) {
    try {
        step();
    } catch (...) {
    }
}

// Switches the confirmation resend timer to follow the nodes' confirmation
// mode when the settings have been read, however far they got.
class ConfirmTimerUpdate {
  public:
    ConfirmTimerUpdate() = default;
    ~ConfirmTimerUpdate() { updateConfirmTimer(); }
    ConfirmTimerUpdate(const ConfirmTimerUpdate&) = delete;
    ConfirmTimerUpdate& operator=(const ConfirmTimerUpdate&) = delete;
};

}  // namespace

NodeObject::NodeObject(std::weak_ptr<cQELEvents> events) {
    creationStep([] {
        if (!library().libraryInitialised && initLibrary()) {
            addServiceMethods(library().methodHandlers);
            library().connectionServices = std::make_shared<NodeConnectionServices>();
        }
    });
    enterDebugMode();
    const CurrentSessionGuard restore;
    creationStep([&] { session_ = appendSession(std::move(events)); });
    const SessionPtr own = SessionTable::live(session_);
    if (!own) {
        return;
    }
    creationStep([&] { own->activeUser = platform::userName(); });
    creationStep([&] {
        own->userStore = std::make_shared<cSettings>();
        if (!own->activeUser.empty()) {
            saveUser(*own->userStore, own->activeUser, "", own->nodeName, "");
        }
    });
}

int32_t NodeObject::sessionIndex() const {
    const SessionPtr own = SessionTable::live(session_);
    return own ? library().sessions.indexOf(*own) : -1;
}

void NodeObject::Initialise(const std::string& nodeName, int32_t listenPort, enmRole Role,
                            const std::string& Descriptor, const std::string& sharedDir,
                            const std::string& advancedSettings) {
    publicOperation(session_, "Initialise", [&](const SessionPtr& own) {
        setName(nodeName);
        setRole(Role);
        Session& s = *own;
        s.encryptionKey = newID();
        s.listenPort = listenPort;
        s.nodeID = newID();
        s.Descriptor = Descriptor;
        s.rpcTimeout = 10000;
        s.Timeout = 1500;
        s.TTL = 20;
        s.useEnc = false;
        s.useComp = false;
        s.seeSelf = false;
        s.announceSelf = true;
        s.maxRoutes = 10;
        s.confirmMode = false;
        s.confirmTimeout = 10000;
        s.confirmRetry = 2;
        s.filePacket = int64_t{library().filePacket} * 1024;
        s.routeFiles = false;
        setAdvanced(advancedSettings);
        if (s.netPass.empty()) {
            s.netPass = "nominal";
        }
        s.routesEnabled = s.maxRoutes > 0;
        s.routes.assign(static_cast<size_t>(s.maxRoutes) + 1, std::string());
        s.packetIDs.reset(library().packetCache);
        // An emptied share table shares nothing: no blank share stays in front.
        s.shares.assign(1, typShare());
        s.sharing = false;
        if (!trimBlanks(sharedDir).empty()) {
            std::string folder = sharedDir;
            shareFolder(folder);
        }
        updateConfirmTimer();
    });
}

void NodeObject::setAdvanced(const std::string& Settings) {
    publicOperation(session_, "setAdvanced", [&](const SessionPtr& own) {
        cSettings settings;
        if (Settings.empty() || !settings.LoadXML(Settings)) {
            return;
        }
        const ConfirmTimerUpdate update;
        applyAdvancedSettings(*own, settings);
    });
}

void NodeObject::setName(const std::string& Name) {
    publicOperation(session_, "setName", [&](const SessionPtr& own) { own->nodeName = Name; });
}

void NodeObject::setRole(enmRole Role) {
    publicOperation(session_, "setRole", [&](const SessionPtr& own) { own->Role = Role; });
}

void NodeObject::shareFolder(std::string& strPath) {
    publicOperation(session_, "shareFolder",
                    [&](const SessionPtr& own) { qel::shareFolder(*own, strPath); });
}

void NodeObject::stopSharing() {
    publicOperation(session_, "stopSharing", [](const SessionPtr& own) { qel::stopSharing(*own); });
}

bool NodeObject::Listen(int32_t lngPort) {
    return publicOperation(session_, "Listen", false, [lngPort](const SessionPtr& own) {
        // A node that listens again on another port is found there from now
        // on; a further listener beside the first keeps the port announced.
        const bool listeningBefore = own->listening;
        const int32_t port = lngPort != 0 ? lngPort : own->listenPort;
        const bool listening = ListenOnPort(port);
        if (listening && !listeningBefore) {
            own->listenPort = port;
        }
        return listening;
    });
}

bool NodeObject::stopListening() {
    return publicOperation(session_, "stopListening", false, [](const SessionPtr& own) {
        if (!own->listening) {
            return true;
        }
        LibraryState& lib = library();
        SocketHost& host = socketHost();
        for (size_t i = 0; i < host.sckListen.count() && i < lib.listenerSessions.size(); ++i) {
            if (lib.listenerSessions[i].lock() == own) {
                host.sckListen[i].close();
                lib.listenerSessions[i].reset();
            }
        }
        // A listener closes at once, so a disconnecting node has nothing to wait for.
        own->listening = false;
        return true;
    });
}

bool NodeObject::isConnected() {
    return publicOperation(session_, "isConnected", false,
                           [](const SessionPtr& own) { return own->connected; });
}

void NodeObject::shutDown() {
    if (isShutDown_) {
        return;
    }
    publicOperation(session_, "shutDown", [this](const SessionPtr& own) {
        own->shuttingDown = true;
        platform::doEvents();
        if (!backInSession()) {
            return;  // a handler shut the node down meanwhile
        }
        disconnectAll();
        if (!backInSession()) {
            return;
        }
        stopUDP(*own);
        own->fileSends.clear();
        dropPendingPackets(*own);
        removeSession(*own);
        isShutDown_ = true;
    });
}

}  // namespace qel
