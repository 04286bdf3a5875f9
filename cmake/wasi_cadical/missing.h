// Functions the WASI C library lacks, as CaDiCaL's sources call them: no
// processes, no alarms, no host name; each reports that it could not.
#pragma once
#include <stdio.h>
#ifdef __cplusplus
extern "C" {
#endif
static inline FILE *popen(const char *command, const char *mode) { (void)command; (void)mode; return 0; }
static inline int pclose(FILE *file) { (void)file; return -1; }
static inline unsigned alarm(unsigned seconds) { (void)seconds; return 0; }
static inline int gethostname(char *name, unsigned long length) { if (length) name[0] = 0; return 0; }
#ifdef __cplusplus
}
#endif
