// No name service under WASI: CaDiCaL's seed mixes in no network address.
#pragma once
#include <sys/socket.h>
#include <netinet/in.h>
#define NI_NUMERICHOST 1
#define NI_MAXHOST 1025
static inline int getnameinfo(const struct sockaddr *address, unsigned length, char *host, unsigned host_length,
                              char *service, unsigned service_length, int flags) {
  (void)address, (void)length, (void)host, (void)host_length, (void)service, (void)service_length, (void)flags;
  return -1;
}
