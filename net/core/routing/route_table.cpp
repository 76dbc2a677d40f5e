#include "route_table.h"

#include "fields.h"
#include "guarded.h"
#include "lookups.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace qel {
namespace {

using Items = std::vector<std::string_view>;
using StoredItems = std::vector<std::string>;

constexpr char Separator = ',';

Items routeItems(std::string_view route) {
    return splitRoute(route);
}

template <class Iterator>
std::string joinItems(Iterator first, Iterator last) {
    std::string joined;
    for (Iterator item = first; item != last; ++item) {
        if (!joined.empty()) {
            joined += Separator;
        }
        joined += *item;
    }
    return joined;
}

bool holds(const Items& items, std::string_view item) {
    return std::find(items.begin(), items.end(), item) != items.end();
}

// Whether `stored` holds all of `run`, in order and next to each other. A
// peer writes both (its routes are kept), so the search is linear
// (Knuth-Morris-Pratt) whatever the items repeat.
bool holdsRun(const StoredItems& stored, const Items& run) {
    if (run.empty() || run.size() > stored.size()) {
        return false;
    }
    // fallback[i]: the longest proper prefix of run[0..i] that also ends it.
    std::vector<size_t> fallback(run.size(), 0);
    for (size_t i = 1, length = 0; i < run.size(); ++i) {
        while (length > 0 && run[i] != run[length]) {
            length = fallback[length - 1];
        }
        if (run[i] == run[length]) {
            ++length;
        }
        fallback[i] = length;
    }
    size_t matched = 0;
    for (const std::string_view item : stored) {
        while (matched > 0 && item != run[matched]) {
            matched = fallback[matched - 1];
        }
        if (item == run[matched] && ++matched == run.size()) {
            return true;
        }
    }
    return false;
}

// The places that hold routes, 1 to `maxRoutes`; the table follows a
// `maxRoutes` changed since it was made.
size_t routePlaces(Session& session) {
    const auto places = static_cast<size_t>(std::max(session.maxRoutes, 0));
    session.routes.resize(places + 1);
    return places;
}

size_t storedPlaces(const Session& session) {
    const auto places = static_cast<size_t>(std::max(session.maxRoutes, 0));
    return session.routes.empty() ? 0 : std::min(places, session.routes.size() - 1);
}

size_t position(const StoredItems& items, std::string_view item) {
    return static_cast<size_t>(std::find(items.begin(), items.end(), item) - items.begin());
}

// The position of the last `item` counted from the end (0 for the last
// item): its first position in the reversed route.
size_t positionFromEnd(const StoredItems& items, std::string_view item) {
    return static_cast<size_t>(std::find(items.rbegin(), items.rend(), item) - items.rbegin());
}

struct Candidate {
    size_t length = 0;  // items from this node to the destination, both included
    std::string nextHop;
};

// The way along one stored route from `own` to `destination`, if it holds
// both: forwards, or else along the reversed route.
std::optional<Candidate> candidateOn(const StoredItems& items, std::string_view own,
                                     std::string_view destination) {
    const size_t from = position(items, own);
    const size_t to = position(items, destination);
    if (from == items.size() || to == items.size()) {
        return std::nullopt;
    }
    if (to > from) {
        return Candidate{to - from + 1, items[from + 1]};
    }
    const size_t fromReversed = positionFromEnd(items, own);
    const size_t toReversed = positionFromEnd(items, destination);
    if (toReversed <= fromReversed) {
        return std::nullopt;  // both repeat around each other: no way forward
    }
    return Candidate{toReversed - fromReversed + 1, items[items.size() - 2 - fromReversed]};
}

}  // namespace

std::string appendRoute(std::string_view route, std::string_view nodeID) {
    return guarded("", std::string(), [&] {
        const Items items = routeItems(route);
        std::string appended = joinItems(items.begin(), items.end());
        if (!appended.empty()) {
            appended += Separator;
        }
        appended += nodeID;
        return appended;
    });
}

std::string reverseRoute(std::string_view route) {
    return guarded("", std::string(), [&] {
        const Items items = routeItems(route);
        return joinItems(items.rbegin(), items.rend());
    });
}

void learnRoute(Session& session, const clsPacket& packet) {
    guarded("", [&] {
        if (!session.routesEnabled) {
            return;
        }
        const std::string route = getText(packet, "Route");
        if (route.empty()) {
            return;
        }
        const Items items = routeItems(route);
        const std::string learned = holds(items, session.nodeID)
                                        ? joinItems(items.begin(), items.end())
                                        : appendRoute(route, session.nodeID);
        const Items learnedItems = routeItems(learned);
        const size_t places = routePlaces(session);
        for (size_t place = 1; place <= places; ++place) {
            if (holdsRun(session.routes[place].items(), learnedItems)) {
                moveRouteToFront(session, place);
                return;
            }
        }
        if (places == 0) {
            return;
        }
        std::move_backward(session.routes.begin() + 1, session.routes.begin() + places,
                           session.routes.begin() + places + 1);
        session.routes[1] = StoredRoute(learned);
    });
}

void moveRouteToFront(Session& session, size_t index) {
    guarded("", [&] {
        if (index < 1 || index >= session.routes.size()) {
            return;
        }
        std::rotate(session.routes.begin() + 1, session.routes.begin() + index,
                    session.routes.begin() + index + 1);
    });
}

std::shared_ptr<clsSocket> findRoute(const Session& session, std::string_view destination) {
    return guarded("", std::shared_ptr<clsSocket>(), [&]() -> std::shared_ptr<clsSocket> {
        if (destination == session.nodeID || destination == "BROADCAST") {
            return nullptr;
        }
        if (std::shared_ptr<clsSocket> direct = getDirectSocket(session, destination)) {
            return direct;
        }
        if (!session.routesEnabled) {
            return nullptr;
        }
        // The shortest route whose next hop is connected: a route through a
        // neighbour that has gone does not hide one that still leads there.
        std::optional<Candidate> best;
        std::shared_ptr<clsSocket> bestHop;
        const size_t places = storedPlaces(session);
        for (size_t place = 1; place <= places; ++place) {
            const std::optional<Candidate> candidate =
                candidateOn(session.routes[place].items(), session.nodeID, destination);
            if (!candidate || (best && candidate->length >= best->length)) {
                continue;
            }
            if (std::shared_ptr<clsSocket> hop = getDirectSocket(session, candidate->nextHop)) {
                best = candidate;
                bestHop = std::move(hop);
            }
        }
        return bestHop;
    });
}

}  // namespace qel
