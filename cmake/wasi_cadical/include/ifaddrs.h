// No interfaces to list under WASI.
#pragma once
#include <sys/socket.h>
struct ifaddrs {
  struct ifaddrs *ifa_next;
  struct sockaddr *ifa_addr;
};
static inline int getifaddrs(struct ifaddrs **list) { *list = 0; return -1; }
static inline void freeifaddrs(struct ifaddrs *list) { (void)list; }
