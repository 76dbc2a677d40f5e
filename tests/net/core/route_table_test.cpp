#include "node_fixture.h"

#include "fields.h"
#include "route_table.h"

#include <gtest/gtest.h>

namespace qel::test {
namespace {

using Routes = std::vector<std::string>;

clsPacket withRoute(const std::string& route) {
    clsPacket packet;
    packet.Method = "MSG";
    AddField(packet, "Route", route);
    return packet;
}

// Node "C" with its route table; places 1 to 10 listed without place 0.
class RouteTableTest : public NodesTest {
  protected:
    RouteTableTest() { c.session->nodeID = "C"; }

    Session& table() { return *c.session; }
    Routes stored() const { return Routes(c.session->routes.begin() + 1, c.session->routes.end()); }
    static Routes places(Routes front) {
        front.resize(10);
        return front;
    }
    void learn(const std::string& route) { learnRoute(table(), withRoute(route)); }

    Node c = addNode();
};

TEST(RouteText, AppendsAndReversesItemsIgnoringEmptyOnes) {
    EXPECT_EQ(appendRoute(",A,,B", "C"), "A,B,C");
    EXPECT_EQ(appendRoute("A,C", "C"), "A,C,C");
    EXPECT_EQ(appendRoute("", "C"), "C");
    EXPECT_EQ(appendRoute(",,", "C"), "C");
    EXPECT_EQ(reverseRoute("A,B,C"), "C,B,A");
    EXPECT_EQ(reverseRoute(",A,,B,"), "B,A");
}

TEST_F(RouteTableTest, LearnsRoutesMostRecentFirstAndMovesKnownOnesToTheFront) {
    learn("A,B");
    EXPECT_EQ(stored(), places({"A,B,C"}));
    learn("X");
    learn("C,X,Y");  // already holds this node: stored as it is
    EXPECT_EQ(stored(), places({"C,X,Y", "X,C", "A,B,C"}));
    learn("A,B");
    EXPECT_EQ(stored(), places({"A,B,C", "C,X,Y", "X,C"}));
    learn("X");  // its route X,C is part of a stored one
    EXPECT_EQ(stored(), places({"X,C", "A,B,C", "C,X,Y"}));
    learn("B");
    EXPECT_EQ(stored(), places({"A,B,C", "X,C", "C,X,Y"}));
    // Items, not characters: B,C is no part of AB,C.
    learn("AB");
    learn("B");
    EXPECT_EQ(stored(), places({"A,B,C", "AB,C", "X,C", "C,X,Y"}));
}

// Routes of one repeated item nearly match everywhere: a naive search of
// one in the other would compare for minutes on one packet.
TEST_F(RouteTableTest, LongRepetitiveRoutesAreComparedInLinearTime) {
    std::string many;
    for (int i = 0; i < 200000; ++i) {
        many += "A,";
    }
    const std::string half = many.substr(0, many.size() / 2);
    learn(many);
    learn(half + "X");
    EXPECT_EQ(stored()[0], half + "X,C");
    EXPECT_EQ(stored()[1], many + "C");
    learn(half);  // part of the stored "A,…,A,C"
    EXPECT_EQ(stored()[0], many + "C");
}

TEST_F(RouteTableTest, AFullTableDropsItsLastRoute) {
    for (int i = 10; i >= 1; --i) {
        learn("N" + std::to_string(i));
    }
    const Routes full = stored();
    EXPECT_EQ(full.front(), "N1,C");
    learn("NEW");
    Routes expected = {"NEW,C"};
    expected.insert(expected.end(), full.begin(), full.end() - 1);
    EXPECT_EQ(stored(), expected);
}

TEST_F(RouteTableTest, FollowsTheNumberOfRoutesWithoutErrors) {
    table().maxRoutes = 0;
    learn("A,B");
    EXPECT_EQ(stored(), Routes());

    table().routesEnabled = false;
    table().maxRoutes = 10;
    table().routes.assign(11, std::string());
    learn("A,B");
    EXPECT_EQ(stored(), places({}));

    // Raised after the table was made: the table grows with it.
    table().routesEnabled = true;
    table().maxRoutes = 12;
    for (int i = 1; i <= 13; ++i) {
        learn("N" + std::to_string(i));
    }
    EXPECT_EQ(table().routes.size(), 13U);
    EXPECT_EQ(table().routes[1], "N13,C");
    EXPECT_EQ(table().routes[12], "N2,C");
    EXPECT_EQ(findRoute(table(), "N1"), nullptr);
    EXPECT_TRUE(c.events->errors.empty());
}

TEST_F(RouteTableTest, FindsTheFirstHopOfTheShortestRoute) {
    const Node b = addNode();
    const Node y = addNode();
    const auto [toB, atB] = link(c, b);
    const auto [toY, atY] = link(c, y);
    toB->remoteNodeID = "B";
    toY->remoteNodeID = "Y";
    // Another node's connection to B is not this node's.
    const Node other = addNode();
    link(other, b).first->remoteNodeID = "A";

    EXPECT_EQ(findRoute(table(), "B"), toB);  // direct
    EXPECT_EQ(findRoute(table(), "C"), nullptr);
    EXPECT_EQ(findRoute(table(), "BROADCAST"), nullptr);
    EXPECT_EQ(findRoute(table(), "A"), nullptr);

    learn("A,B");
    EXPECT_EQ(findRoute(table(), "A"), toB);  // C,B,A
    learn("A,X,Y");
    EXPECT_EQ(stored(), places({"A,X,Y,C", "A,B,C"}));
    EXPECT_EQ(findRoute(table(), "A"), toB);  // two hops beat three
    learn("C,Y,Q");
    EXPECT_EQ(findRoute(table(), "Q"), toY);  // the destination after this node

    // The shortest route's next hop is not connected: the next shortest leads.
    learn("A,Z");
    EXPECT_EQ(findRoute(table(), "A"), toB);
    learn("P,Z");
    EXPECT_EQ(findRoute(table(), "P"), nullptr);  // no route with a connected hop

    table().routesEnabled = false;
    EXPECT_EQ(findRoute(table(), "Q"), nullptr);
    EXPECT_EQ(findRoute(table(), "B"), toB);
}

}  // namespace
}  // namespace qel::test
