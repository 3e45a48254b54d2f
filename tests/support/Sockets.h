#pragma once

// The few socket calls the raw test servers make, under one set of names on Linux and Windows.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace quorvane::test::sockets {

#ifdef _WIN32
using Socket = SOCKET;
constexpr Socket invalidSocket = INVALID_SOCKET;
constexpr int shutWrite = SD_SEND;
constexpr int sendFlags = 0;

// Winsock counts its users; each socket user starts it once (cpp-httplib does the same).
inline void startup()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

inline Socket openStream()
{
    startup();
    // Not inherited by child processes, as SOCK_CLOEXEC asks on Linux.
    return WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
}
inline Socket acceptClient(Socket listening)
{
    return ::accept(listening, nullptr, nullptr);
}
inline int closeSocket(Socket socket)
{
    return ::closesocket(socket);
}
inline int pollOne(Socket socket, int milliseconds)
{
    WSAPOLLFD entry{socket, POLLIN, 0};
    return ::WSAPoll(&entry, 1, milliseconds);
}
#else
using Socket = int;
constexpr Socket invalidSocket = -1;
constexpr int shutWrite = SHUT_WR;
constexpr int sendFlags = MSG_NOSIGNAL;

inline Socket openStream()
{
    return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}
inline Socket acceptClient(Socket listening)
{
    return ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
}
inline int closeSocket(Socket socket)
{
    return ::close(socket);
}
inline int pollOne(Socket socket, int milliseconds)
{
    pollfd entry{socket, POLLIN, 0};
    return ::poll(&entry, 1, milliseconds);
}
#endif

} // namespace quorvane::test::sockets
