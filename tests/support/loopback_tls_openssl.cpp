#include "support/loopback_tls.h"

#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <csignal>
#include <stdexcept>

namespace qinghe::testing {
namespace {

void add_extension(X509* certificate, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (!extension) throw std::runtime_error("certificate extension");
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

X509* self_signed_certificate(EVP_PKEY* key) {
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 86400);
    X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(certificate, name);
    add_extension(certificate, NID_basic_constraints, "critical,CA:TRUE");
    add_extension(certificate, NID_subject_alt_name, "IP:127.0.0.1");
    X509_sign(certificate, key, EVP_sha256());
    return certificate;
}

std::string pem_of(X509* certificate) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, certificate);
    BUF_MEM* memory = nullptr;
    BIO_get_mem_ptr(bio, &memory);
    std::string pem(memory->data, memory->length);
    BIO_free(bio);
    return pem;
}

}  // namespace

TestCertificate::TestCertificate() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (!key) throw std::runtime_error("test key");
    X509* certificate = self_signed_certificate(key);
    pem_ = pem_of(certificate);
    context_ = SSL_CTX_new(TLS_server_method());
    SSL_CTX_use_certificate(context_, certificate);
    SSL_CTX_use_PrivateKey(context_, key);
    X509_free(certificate);
    EVP_PKEY_free(key);
}

TestCertificate::~TestCertificate() { SSL_CTX_free(context_); }

bool loopback_tls_available() { return true; }

ssl_st* tls_accept(ssl_ctx_st* context, int socket) {
    // Plain sends never raise SIGPIPE; TLS writes to a client that hung up
    // would end the test.
    std::signal(SIGPIPE, SIG_IGN);
    SSL* tls = SSL_new(context);
    SSL_set_fd(tls, socket);
    if (SSL_accept(tls) > 0) return tls;
    SSL_free(tls);
    return nullptr;
}

long tls_read(ssl_st* tls, char* bytes, size_t size) { return SSL_read(tls, bytes, int(size)); }

long tls_write(ssl_st* tls, const char* bytes, size_t size) {
    return SSL_write(tls, bytes, int(size));
}

bool tls_pending(ssl_st* tls) { return SSL_pending(tls) > 0; }

void tls_close(ssl_st* tls) {
    SSL_shutdown(tls);
    SSL_free(tls);
}

}  // namespace qinghe::testing
