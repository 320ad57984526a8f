// The loopback server's TLS: OpenSSL where the build has it
// (loopback_tls_openssl.cpp); else none (loopback_tls_none.cpp), and the
// tests that need TLS skip.
#pragma once

#include <cstddef>

#include "support/loopback_server.h"

namespace qinghe::testing {

// Whether TestCertificate and TLS servers work in this build.
bool loopback_tls_available();

// A TLS connection accepted on `socket`, or null when the handshake failed.
ssl_st* tls_accept(ssl_ctx_st* context, int socket);
long tls_read(ssl_st* tls, char* bytes, size_t size);
long tls_write(ssl_st* tls, const char* bytes, size_t size);
bool tls_pending(ssl_st* tls);
// Says goodbye and frees the connection.
void tls_close(ssl_st* tls);

}  // namespace qinghe::testing
