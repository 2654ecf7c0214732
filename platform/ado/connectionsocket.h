// The socket a driver opened for a connection, found by what the process holds before and
// after the login, so that a connection whose server stops answering can be dropped from
// outside the driver: shutting the socket down ends the driver's wait for an answer.
#pragma once

#include <set>
#include <utility>

namespace ADODB {

class ConnectionSocket
{
public:
    // The connected stream sockets the process holds, as (descriptor, inode).
    using Sockets = std::set<std::pair<int, unsigned long>>;
    static Sockets openSockets();

    ConnectionSocket() = default;
    // The one connected stream socket in `after` that is not in `before`; none when there
    // is not exactly one.
    ConnectionSocket(const Sockets& before, const Sockets& after);

    bool known() const { return m_descriptor >= 0; }
    // Shuts the socket down, both ways, when it is still the one found (its descriptor has
    // not been closed and reused since).
    void drop() const;
    // Whether the server has closed its end (it ended the session, or was stopped or
    // restarted): one poll that does not wait, and nothing read.
    bool closedByPeer() const;

private:
    int m_descriptor = -1;
    unsigned long m_inode = 0;
};

} // namespace ADODB
