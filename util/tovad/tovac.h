/* tovaclib: a command shell over the firewall management protocol, for host programs.
 *
 * A host passes tovac_main an argument vector as a command line would (element 0 is a program name and
 * is skipped); the library connects, authenticates, and gets and puts files on the firewall, from the
 * arguments or from lines typed on standard input. Prompts and messages go to standard error.
 *
 * These three functions are all the library exports. One interpreter per process: calls must not
 * overlap, and a later tovac_main reuses the state the previous call left (options accumulate). The
 * connection stays open after tovac_main; the host ends it with tovac_shutdown. */
#ifndef TOVAC_H
#define TOVAC_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define TOVAC_EXPORT __attribute__((visibility("default")))
#else
#define TOVAC_EXPORT
#endif

/* 0 on normal completion, -1 on failure. */
TOVAC_EXPORT int tovac_main(int argc, char** argv);
/* Closes and releases the connection, if any. Returns 0. */
TOVAC_EXPORT int tovac_shutdown(void);
/* The 8192-byte area holding the data of the last non-empty block received on the connection; null
 * without a connection. Valid until the next call into the library. */
TOVAC_EXPORT char* getResponceBuffer(void);

#ifdef __cplusplus
}
#endif

#endif
