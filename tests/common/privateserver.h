// A PostgreSQL server of the test's own (tests/database/pgcluster.sh) for as long as this
// lives: the test may restart it without disturbing the suites that share the common one.
// Connections made meanwhile find it through QV_PG_STATE (pgserver.h).
#pragma once

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace qvtest {

class PrivateServer
{
public:
    PrivateServer() : m_common(std::getenv("QV_PG_STATE") ? std::getenv("QV_PG_STATE") : "")
    {
        char folder[] = "/tmp/quorvane-test-pg.XXXXXX";
        if (!mkdtemp(folder))
            throw std::runtime_error("no folder for the private server");
        m_state = folder;
        cluster("start");
        setenv("QV_PG_STATE", m_state.c_str(), 1);
    }
    ~PrivateServer()
    {
        setenv("QV_PG_STATE", m_common.c_str(), 1);
        std::system((script() + " stop " + m_state).c_str());
    }
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    // Stops the server, which ends every session, and starts it again.
    void restart() { cluster("restart"); }
    // Stops the server, which ends every session; restart starts it again.
    void halt() { cluster("halt"); }

private:
    static std::string script() { return QV_SOURCE_DIR "/tests/database/pgcluster.sh"; }
    void cluster(const char* action)
    {
        if (std::system((script() + " " + action + " " + m_state).c_str()) != 0)
            throw std::runtime_error(std::string("pgcluster.sh ") + action + " failed");
    }

    std::string m_common;
    std::string m_state;
};

} // namespace qvtest
