// A build without OpenSSL (the Windows build): no test certificate and no
// TLS server; loopback_tls_available() tells the tests to skip.
#include "support/loopback_tls.h"

namespace qinghe::testing {

TestCertificate::TestCertificate() = default;
TestCertificate::~TestCertificate() = default;

bool loopback_tls_available() { return false; }

ssl_st* tls_accept(ssl_ctx_st*, int) { return nullptr; }
long tls_read(ssl_st*, char*, size_t) { return -1; }
long tls_write(ssl_st*, const char*, size_t) { return -1; }
bool tls_pending(ssl_st*) { return false; }
void tls_close(ssl_st*) {}

}  // namespace qinghe::testing
