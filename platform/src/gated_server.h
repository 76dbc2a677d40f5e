#pragma once

#include <QTcpServer>

namespace platform {

// A listener whose accepted connections are asked to be unbuffered streams,
// and which takes only the connections the accept gate admits: it pauses
// while the process holds as many as it may, and closes at once one from an
// address that holds its share.
class GatedServer : public QTcpServer {
  public:
    GatedServer();
    ~GatedServer() override;
    GatedServer(const GatedServer&) = delete;
    GatedServer& operator=(const GatedServer&) = delete;

  protected:
    void incomingConnection(qintptr descriptor) override;
};

}  // namespace platform
