#include "core_fixture.h"

#include "error_log.h"
#include "event_raisers.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace qel::test {
namespace {

// Answers the two events whose parameters the library reads back, and can
// throw, shut its node down, or fail inside a handler.
class Application : public cQELEvents {
  public:
    void ConnectionReq(std::string& SourceIP, bool& Cancel) override {
        seen.push_back("ConnectionReq " + SourceIP);
        Cancel = refuse;
        if (throwAfterWriting) {
            throw std::runtime_error("handler failed");
        }
    }
    void FileRequest(std::string& Resource, std::string& fullPath, std::string&, std::string&,
                     std::shared_ptr<cXRange>& Range, Variant&, bool& TakeNoAction) override {
        seen.push_back("FileRequest " + Resource);
        fullPath = "/srv/other.bin";
        Range = std::make_shared<cXRange>();
        Range->lngStart = 5000000000;
        TakeNoAction = true;
    }
    void MessageReceived(std::string& strMessage, std::string&, std::string&) override {
        seen.push_back("MessageReceived " + strMessage);
        logError(5, "inside another handler");
        if (shutDownOnMessage) {
            removeSession(*currentSession());
        }
    }
    void Error(std::string& strMessage, std::string&) override {
        seen.push_back("Error " + strMessage);
    }

    std::vector<std::string> seen;
    bool refuse = false;
    bool throwAfterWriting = false;
    bool shutDownOnMessage = false;
};

class EventsTest : public CoreTest {
  protected:
    std::shared_ptr<Application> application = std::make_shared<Application>();
    SessionPtr node = appendSession(application);
};

TEST_F(EventsTest, HandlersWriteBackWhatTheLibraryReads) {
    std::string ip = "127.0.0.2";
    bool cancel = false;
    application->refuse = true;
    EXPECT_TRUE(raiseConnectionReq(node, ip, cancel));
    EXPECT_TRUE(cancel);

    std::string resource = "\\Music\\a.mp3", fullPath = "/srv/a.mp3", nodeID = "N", reqID = "R";
    std::shared_ptr<cXRange> range;
    Variant metadata;
    bool takeNoAction = false;
    raiseFileRequest(node, resource, fullPath, nodeID, reqID, range, metadata, takeNoAction);
    EXPECT_TRUE(takeNoAction);
    EXPECT_EQ(fullPath, "/srv/other.bin");
    ASSERT_NE(range, nullptr);
    EXPECT_EQ(range->lngStart, 5000000000);
}

TEST_F(EventsTest, AThrowingHandlerIsIgnoredAndItsWritesStillCount) {
    application->refuse = true;
    application->throwAfterWriting = true;
    std::string ip = "127.0.0.2";
    bool cancel = false;
    EXPECT_TRUE(raiseConnectionReq(node, ip, cancel));
    EXPECT_TRUE(cancel);
}

TEST_F(EventsTest, AnErrorInsideAnotherHandlerReachesTheSameObject) {
    std::string body = "hello", type, source;
    EXPECT_TRUE(raiseMessageReceived(node, body, type, source));
    EXPECT_EQ(application->seen, (std::vector<std::string>{
                                     "MessageReceived hello",
                                     "Error Error 5: inside another handler",
                                 }));
}

TEST_F(EventsTest, ARaiseTellsWhetherTheHandlerShutItsNodeDown) {
    application->shutDownOnMessage = true;
    std::string body = "bye", type, source;
    EXPECT_FALSE(raiseMessageReceived(node, body, type, source));
    // Nothing is raised for a node that is gone, nor for one without an owner.
    std::string ip = "127.0.0.2";
    bool cancel = false;
    EXPECT_FALSE(raiseConnectionReq(node, ip, cancel));
    const SessionPtr ownerless = appendSession({});
    EXPECT_TRUE(raiseConnectionReq(ownerless, ip, cancel));
    EXPECT_EQ(application->seen.size(), 2U);
}

TEST_F(EventsTest, TheRaisedNodeIsCurrentForItsHandler) {
    class Observer : public cQELEvents {
      public:
        void nodeInfo(typNodeInfo&) override { current = currentSession(); }
        SessionPtr current;
    };
    auto observer = std::make_shared<Observer>();
    const SessionPtr observed = appendSession(observer);
    ASSERT_TRUE(switchSession(SessionHandle(node)));
    typNodeInfo info;
    raiseNodeInfo(observed, info);
    EXPECT_EQ(observer->current, observed);
    EXPECT_EQ(currentSession(), node);
}

}  // namespace
}  // namespace qel::test
