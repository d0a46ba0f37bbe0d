// A TCP connection with time limits, for both TAPs: the receiver handles no other event while a
// transfer runs, so no call may wait longer than its limit.
#pragma once

#include <netinet/in.h>
#include <stddef.h>

// Connects fd within connect_ms; afterwards every send and receive on it waits at most
// io_seconds. False when the connection failed or took too long.
bool socket_connect_within(int fd, const struct sockaddr_in* address, int connect_ms,
                           int io_seconds);

// Sends all n bytes; false when the connection failed or a send timed out.
bool socket_send_all(int fd, const char* data, size_t n);

// The IPv4 address of a host name (first entry, 4 bytes) for port into *address; false when
// the name cannot be resolved to one.
bool socket_address(const char* host, int port, struct sockaddr_in* address);
