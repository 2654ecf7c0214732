// The PostgreSQL server the database tests run against (tests/database/pgcluster.sh): its
// address as a connection's data source, "127.0.0.1,PORT", and the login it was made with.
#pragma once

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

namespace qvtest {

inline std::string pgServer()
{
    const char* state = std::getenv("QV_PG_STATE");
    if (!state)
        throw std::runtime_error("QV_PG_STATE is not set: run the test through ctest");
    std::ifstream in(std::string(state) + "/server");
    std::string server;
    if (!std::getline(in, server) || server.empty())
        throw std::runtime_error(std::string("no server recorded in ") + state + "/server");
    return server;
}

inline std::string pgPort()
{
    std::string server = pgServer();
    return server.substr(server.find(',') + 1);
}

inline const char* pgDatabase() { return "vaultEye"; }
inline const char* pgUser() { return "quorvane"; }
inline const char* pgPassword() { return "quorvane"; }

} // namespace qvtest
