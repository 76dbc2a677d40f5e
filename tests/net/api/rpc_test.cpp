#include "node_fixture.h"

#include "fields.h"
#include "library_state.h"
#include "rpc_bindings.h"

#include "qellib/rpc.h"

#include <QTimer>

#include <gtest/gtest.h>

namespace qel::test {
namespace {

// A text form of the values parameters arrive as.
std::string shown(const Variant& value) {
    if (const auto* array = std::get_if<StringArray>(&value)) {
        // "[a,b]" from index 0, "[1:a,b]" from another lower bound.
        std::string text = "[";
        if (array->lowerBound != 0) {
            text += std::to_string(array->lowerBound) + ":";
        }
        for (size_t i = 0; i < array->size(); ++i) {
            text += (i > 0 ? "," : "") + (*array)[i];
        }
        return text + "]";
    }
    if (isEmpty(value)) {
        return "<empty>";
    }
    return toText(value).value_or("<no text>");
}

// Every event of one cQELRPC object as a line, with a hook for handlers that act.
class RecordedCalls : public cQELRPCEvents {
  public:
    void RemoteProcCall(std::string& ProcName, Variant& Params, std::string& reqID,
                        std::string& nodeID, bool& SendOK) override {
        calls.push_back(ProcName + "|" + shown(Params) + "|" + nodeID);
        callIDs.push_back(reqID);
        if (onCall) {
            onCall(reqID, Params, SendOK);
        }
    }
    void RemoteProcReturn(std::string& ProcName, Variant& Params, std::string& reqID,
                          std::string& nodeID) override {
        returns.push_back(ProcName + "|" + shown(Params) + "|" + nodeID);
        returnIDs.push_back(reqID);
    }

    std::vector<std::string> calls;
    std::vector<std::string> callIDs;
    std::vector<std::string> returns;
    std::vector<std::string> returnIDs;
    std::function<void(const std::string& reqID, const Variant& params, bool& SendOK)> onCall;
};

// One cQELRPC object of a node with its recorded events.
struct RPCObject {
    std::shared_ptr<RecordedCalls> events = std::make_shared<RecordedCalls>();
    std::shared_ptr<cQELRPC> rpc;

    cQELRPC* operator->() const { return rpc.get(); }
};

class RPCTest : public NodesTest {
  protected:
    struct Pair {
        TestNode& a;
        TestNode& b;
    };
    // Two nodes, A connected to B.
    Pair linkedPair() {
        TestNode& a = addNode("A");
        TestNode& b = addNode("B");
        link(a, b);
        return {a, b};
    }

    static RPCObject rpcOf(TestNode& node) {
        RPCObject made;
        made.rpc = node->newRPCInstance(made.events);
        return made;
    }

    // Answers every incoming call of `name` with its own parameters.
    static RPCObject echo(TestNode& node, const std::string& name) {
        RPCObject server = rpcOf(node);
        server->bindRPC(name, RPC_INCOMING);
        cQELRPC* raw = server.rpc.get();
        server.events->onCall = [raw](const std::string& reqID, const Variant& params, bool&) {
            raw->returnRemoteProc(reqID, params);
        };
        return server;
    }

    static size_t pendingCount(const TestNode& node, const std::string& name, enmRPCType type) {
        const SessionPtr session = node.session();
        const int32_t index = findRPCBinding(*session, name, type);
        return index < 0 ? 0 : session->rpcBindings[static_cast<size_t>(index)].pending.size() - 1;
    }

    static void shortenRPCTimeout(const TestNode& node, int64_t ms) {
        node.session()->rpcTimeout = ms;
    }
};

TEST_F(RPCTest, BlockingAndNonBlockingCallsComeBackFromTheAnsweringNode) {
    auto [a, b] = linkedPair();
    RPCObject server = echo(b, "Echo");
    RPCObject client = rpcOf(a);
    client->bindRPC("Echo", RPC_RETURN);

    EXPECT_EQ(shown(client->callRemoteProcBlocking(b.id, "Echo", std::string("ping"))), "ping");
    EXPECT_EQ(server.events->calls, std::vector<std::string>{"Echo|ping|" + a.id});

    const std::string reqID = client->callRemoteProc(b.id, "Echo", StringArray{"x", "y"});
    ASSERT_TRUE(waitFor([&] { return client.events->returns.size() == 1; }));
    EXPECT_EQ(client.events->returns[0], "Echo|[x,y]|" + b.id);
    EXPECT_EQ(client.events->returnIDs[0], reqID);
    EXPECT_EQ(pendingCount(a, "Echo", RPC_RETURN), 0U);
    EXPECT_EQ(pendingCount(b, "Echo", RPC_INCOMING), 0U);
}

TEST_F(RPCTest, NamesAreServedWithoutRegardToCaseAndUnboundExactly) {
    auto [a, b] = linkedPair();
    RPCObject first = echo(b, "GetVersion");
    RPCObject second = echo(b, "GetVersion");
    RPCObject client = rpcOf(a);
    client->bindRPC("getversion", RPC_RETURN);

    EXPECT_EQ(shown(client->callRemoteProcBlocking(b.id, "GETVERSION", std::string("1"))), "1");
    EXPECT_EQ(first.events->calls, std::vector<std::string>{"GETVERSION|1|" + a.id});
    EXPECT_TRUE(second.events->calls.empty());

    first->unbindRPC("getVersion", RPC_INCOMING);  // another case: removes nothing
    EXPECT_EQ(shown(client->callRemoteProcBlocking(b.id, "GetVersion", std::string("2"))), "2");
    EXPECT_EQ(first.events->calls.size(), 2U);

    first->unbindRPC("GetVersion", RPC_INCOMING);  // the first binding goes
    EXPECT_EQ(shown(client->callRemoteProcBlocking(b.id, "GetVersion", std::string("3"))), "3");
    EXPECT_EQ(first.events->calls.size(), 2U);
    EXPECT_EQ(second.events->calls.size(), 1U);
}

TEST_F(RPCTest, UnboundNamesAreAnsweredOrRefused) {
    auto [a, b] = linkedPair();
    RPCObject onB = rpcOf(b);
    onB->bindRPC("Push", RPC_RETURN);  // a return binding serves no call
    RPCObject client = rpcOf(a);
    client->bindRPC("Push", RPC_RETURN);
    client->bindRPC("AuthGiven", RPC_INCOMING);

    EXPECT_EQ(shown(client->callRemoteProcBlocking(b.id, "Push")), "RPC_UNBOUND");
    client->callRemoteProc(b.id, "Push", std::string("x"));
    ASSERT_TRUE(waitFor([&] { return client.events->returns.size() == 1; }));
    EXPECT_EQ(client.events->returns[0], "Push|RPC_UNBOUND|" + b.id);
    EXPECT_TRUE(onB.events->calls.empty());

    // Calling needs a return binding: an incoming one does not do.
    const int64_t sentBefore = library().counters.OutPacketCount;
    EXPECT_EQ(client->callRemoteProc(b.id, "AuthGiven"), "-1");
    EXPECT_TRUE(isEmpty(client->callRemoteProcBlocking(b.id, "AuthGiven")));
    EXPECT_EQ(library().counters.OutPacketCount, sentBefore);
    ASSERT_EQ(a.events->errors.size(), 2U);
    EXPECT_EQ(a.events->errors[0], "Error -2147221503: Outgoing RPC 'AuthGiven' not bound");
}

TEST_F(RPCTest, EachIncomingCallIsAnsweredOnce) {
    auto [a, b] = linkedPair();
    RPCObject server = rpcOf(b);
    server->bindRPC("Twice", RPC_INCOMING);
    server->bindRPC("Ok", RPC_INCOMING);
    server->bindRPC("Later", RPC_INCOMING);
    server.events->onCall = [&](const std::string& reqID, const Variant& params, bool& SendOK) {
        const std::string mode = shown(params);
        if (mode == "own and ok") {
            server->returnRemoteProc(reqID, std::string("own"));
            SendOK = true;
        } else if (mode == "twice") {
            server->returnRemoteProc(reqID, std::string("first"));
            server->returnRemoteProc(reqID, std::string("second"));
        } else if (mode == "ok") {
            SendOK = true;
        }
    };
    RPCObject client = rpcOf(a);
    for (const char* name : {"Twice", "Ok", "Later"}) {
        client->bindRPC(name, RPC_RETURN);
    }

    client->callRemoteProc(b.id, "Twice", std::string("own and ok"));
    client->callRemoteProc(b.id, "Twice", std::string("twice"));
    client->callRemoteProc(b.id, "Ok", std::string("ok"));
    client->callRemoteProc(b.id, "Later", std::string("later"));
    ASSERT_TRUE(waitFor([&] { return server.events->calls.size() == 4; }));
    EXPECT_EQ(pendingCount(b, "Later", RPC_INCOMING), 1U);
    server->returnRemoteProc(server.events->callIDs[3], std::string("done"));
    server->returnRemoteProc("NO-SUCH-CALL", std::string("x"));
    // One more round trip on the same connection: every answer is in by then.
    client->bindRPC("Ping", RPC_RETURN);
    EXPECT_EQ(shown(client->callRemoteProcBlocking(b.id, "Ping")), "RPC_UNBOUND");

    EXPECT_EQ(client.events->returns,
              (std::vector<std::string>{"Twice|own|" + b.id, "Twice|first|" + b.id, "Ok|OK|" + b.id,
                                        "Later|done|" + b.id}));
    EXPECT_EQ(pendingCount(b, "Later", RPC_INCOMING), 0U);
}

TEST_F(RPCTest, ABroadcastCallIsAnsweredByEveryNodeUnderItsOwnID) {
    TestNode& a = addNode("A");
    TestNode& b = addNode("B");
    TestNode& c = addNode("C");
    link(a, b);
    link(a, c);
    RPCObject onB = echo(b, "GetVersion");
    RPCObject onC = echo(c, "GetVersion");
    RPCObject client = rpcOf(a);
    client->bindRPC("GetVersion", RPC_RETURN);

    client->callRemoteProc("BROADCAST", "GetVersion", std::string("v"));
    ASSERT_TRUE(waitFor([&] { return client.events->returns.size() == 2; }));
    std::vector<std::string> answers = client.events->returns;
    std::sort(answers.begin(), answers.end());
    EXPECT_EQ(answers, (std::vector<std::string>{"GetVersion|v|" + b.id, "GetVersion|v|" + c.id}));
    EXPECT_EQ(pendingCount(a, "GetVersion", RPC_RETURN), 1U);  // kept for later answers

    // A blocking broadcast takes the first answer; its entry stays too.
    EXPECT_EQ(shown(client->callRemoteProcBlocking("BROADCAST", "GetVersion", std::string("w"))),
              "w");
    EXPECT_EQ(pendingCount(a, "GetVersion", RPC_RETURN), 2U);
}

TEST_F(RPCTest, ParametersTravelAsTextOrStringArrays) {
    auto [a, b] = linkedPair();
    RPCObject server = echo(b, "Echo");
    RPCObject client = rpcOf(a);
    client->bindRPC("Echo", RPC_RETURN);

    const struct {
        Variant sent;
        std::string arrives;
    } cases[] = {
        {StringArray{"a b", ""}, "[a b,]"},
        {StringArray{"x"}, "[x]"},
        {int64_t{5}, "5"},
        {true, "True"},
        {2.5, "2.5"},
        {std::string(), ""},
        {Empty{}, ""},
        {Missing{}, ""},
        {std::string("line\r\nbreak"), ""},
        {StringArray{"kept", "cut\r\nout", "also"}, "[kept,,also]"},
        {StringArray({"a", "b", "c"}, 1), "[1:a,b,c]"},  // bounds 1 to 3 come back 1 to 3
        {StringArray({"", "y", "z"}, 0), "[,y,z]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arrives);
        const Variant answer = client->callRemoteProcBlocking(b.id, "Echo", c.sent);
        EXPECT_EQ(shown(answer), c.arrives);
        EXPECT_EQ(std::holds_alternative<StringArray>(answer),
                  std::holds_alternative<StringArray>(c.sent));
    }
    // The refused line breaks were reported by the sender.
    EXPECT_EQ(a.events->errors.size(), 2U);
    // The serving application saw each array with the bounds it was sent with.
    EXPECT_NE(std::find(server.events->calls.begin(), server.events->calls.end(),
                        "Echo|[1:a,b,c]|" + a.id),
              server.events->calls.end());
}

TEST_F(RPCTest, AnArrayClaimingMoreElementsThanItsPacketHoldsArrivesEmpty) {
    auto [a, b] = linkedPair();
    RPCObject server = rpcOf(b);
    server->bindRPC("Echo", RPC_INCOMING);

    clsPacket pkt;
    pkt.Method = "RPC";
    pkt.Resource = "Echo";
    AddField(pkt, "ReqID", "HOSTILE");
    AddField(pkt, "Destination", b.id);
    AddField(pkt, "Params-Min", "0");
    AddField(pkt, "Params-Max", "2000000000");
    AddField(pkt, "Params0", "x");
    sendFrom(a, pkt);
    ASSERT_TRUE(waitFor([&] { return server.events->calls.size() == 1; }));
    EXPECT_EQ(server.events->calls[0], "Echo||" + a.id);
    EXPECT_EQ(b.events->errors.size(), 1U);
}

TEST_F(RPCTest, ABlockingCallWithoutAnswerTimesOutAndALateAnswerIsIgnored) {
    auto [a, b] = linkedPair();
    RPCObject server = rpcOf(b);
    server->bindRPC("Slow", RPC_INCOMING);
    RPCObject client = rpcOf(a);
    client->bindRPC("Slow", RPC_RETURN);
    shortenRPCTimeout(a, 200);

    const int64_t started = platform::tickCount();
    EXPECT_TRUE(isEmpty(client->callRemoteProcBlocking(b.id, "Slow")));
    EXPECT_GE(platform::tickCount() - started, 200);
    EXPECT_EQ(pendingCount(a, "Slow", RPC_RETURN), 0U);

    ASSERT_EQ(server.events->callIDs.size(), 1U);
    server->returnRemoteProc(server.events->callIDs[0], std::string("late"));
    client->bindRPC("Ping", RPC_RETURN);
    EXPECT_EQ(shown(client->callRemoteProcBlocking(b.id, "Ping")), "RPC_UNBOUND");
    EXPECT_TRUE(client.events->returns.empty());
}

TEST_F(RPCTest, AShutDownDuringABlockingCallEndsItsWait) {
    auto [a, b] = linkedPair();
    RPCObject server = rpcOf(b);
    server->bindRPC("Slow", RPC_INCOMING);
    RPCObject client = rpcOf(a);
    client->bindRPC("Slow", RPC_RETURN);

    QTimer::singleShot(100, [&node = a] { node->shutDown(); });
    const int64_t started = platform::tickCount();
    EXPECT_TRUE(isEmpty(client->callRemoteProcBlocking(b.id, "Slow")));
    EXPECT_LT(platform::tickCount() - started, 5000);
    EXPECT_EQ(a.session(), nullptr);
    EXPECT_TRUE(isEmpty(client->callRemoteProcBlocking(b.id, "Slow")));
    EXPECT_EQ(client->callRemoteProc(b.id, "Slow"), "");
}

TEST_F(RPCTest, AShutDownInsideRemoteProcCallSendsNothingFurther) {
    auto [a, b] = linkedPair();
    RPCObject server = rpcOf(b);
    server->bindRPC("Quit", RPC_INCOMING);
    server.events->onCall = [&node = b](const std::string&, const Variant&, bool& SendOK) {
        node->shutDown();
        SendOK = true;
    };
    RPCObject client = rpcOf(a);
    client->bindRPC("Quit", RPC_RETURN);
    shortenRPCTimeout(a, 300);

    EXPECT_TRUE(isEmpty(client->callRemoteProcBlocking(b.id, "Quit")));
    EXPECT_EQ(server.events->calls.size(), 1U);
    EXPECT_EQ(b.session(), nullptr);
}

TEST_F(RPCTest, QuickCallsBindOnlyForTheirOwnCall) {
    auto [a, b] = linkedPair();
    RPCObject server = echo(b, "Echo");
    RPCObject client = rpcOf(a);

    EXPECT_EQ(shown(client->quickRPCBlocking(b.id, "Echo", std::string("q"))), "q");
    EXPECT_EQ(a.session()->rpcBindings.size(), 1U);
    EXPECT_EQ(client->callRemoteProc(b.id, "Echo"), "-1");
}

TEST(RPCPendingTest, EachBindingKeepsAtMostItsBoundOfCallsInProgress) {
    Session session;
    session.rpcBindings.resize(2);
    session.rpcBindings[1].ProcName = "GetVersion";
    session.rpcBindings[1].ReqType = RPC_RETURN;
    session.rpcBindings[1].pending.resize(1);
    for (size_t i = 1; i <= MaxPendingRPCs + 5; ++i) {
        ASSERT_TRUE(newRPCReq(session, "getversion", "BROADCAST", std::to_string(i), RPC_RETURN,
                              false, false));
    }
    const std::vector<typRPCPending>& pending = session.rpcBindings[1].pending;
    ASSERT_EQ(pending.size(), MaxPendingRPCs + 1);
    EXPECT_EQ(pending[1].ReqID, "6");
    EXPECT_FALSE(findRPCPending(session, "5"));
    EXPECT_TRUE(findRPCPending(session, std::to_string(MaxPendingRPCs + 5)));
    EXPECT_FALSE(newRPCReq(session, "GetVersion", "X", "Y", RPC_INCOMING, false, false));
}

}  // namespace
}  // namespace qel::test
