#include "connectionsocket.h"

#include <cstdlib>
#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

namespace ADODB {

namespace {

bool isConnectedStream(int descriptor)
{
    int type = 0;
    socklen_t length = sizeof type;
    if (getsockopt(descriptor, SOL_SOCKET, SO_TYPE, &type, &length) != 0 || type != SOCK_STREAM)
        return false;
    sockaddr_storage peer{};
    socklen_t peerLength = sizeof peer;
    return getpeername(descriptor, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0;
}

// The inode of a socket descriptor; 0 for anything else.
unsigned long socketInode(int descriptor)
{
    struct stat status{};
    if (fstat(descriptor, &status) != 0 || !S_ISSOCK(status.st_mode))
        return 0;
    return static_cast<unsigned long>(status.st_ino);
}

} // namespace

ConnectionSocket::Sockets ConnectionSocket::openSockets()
{
    Sockets sockets;
    DIR* folder = opendir("/proc/self/fd");
    if (!folder)
        return sockets;
    const int own = dirfd(folder);
    while (const dirent* entry = readdir(folder)) {
        char* end = nullptr;
        const long descriptor = std::strtol(entry->d_name, &end, 10);
        if (*end || end == entry->d_name || descriptor == own)
            continue;
        const int fd = static_cast<int>(descriptor);
        if (const unsigned long inode = socketInode(fd); inode && isConnectedStream(fd))
            sockets.emplace(fd, inode);
    }
    closedir(folder);
    return sockets;
}

ConnectionSocket::ConnectionSocket(const Sockets& before, const Sockets& after)
{
    int found = 0;
    for (const auto& socket : after) {
        if (before.count(socket) || ++found > 1)
            continue;
        m_descriptor = socket.first;
        m_inode = socket.second;
    }
    if (found != 1)   // none, or more than one: the connection's cannot be told
        m_descriptor = -1;
}

void ConnectionSocket::drop() const
{
    if (known() && socketInode(m_descriptor) == m_inode)
        shutdown(m_descriptor, SHUT_RDWR);
}

bool ConnectionSocket::closedByPeer() const
{
    if (!known())
        return false;
    pollfd entry{m_descriptor, POLLRDHUP, 0};
    return poll(&entry, 1, 0) == 1 && (entry.revents & (POLLRDHUP | POLLHUP | POLLERR))
           && socketInode(m_descriptor) == m_inode;   // still the connection's, not a descriptor reused
}

} // namespace ADODB
