#include "tools/vrc-tool/SmallFile.h"
#include "tools/vrc-tool/ManifestSignature.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <sys/stat.h>
#include <vector>

#include "tools/vrc-tool/Sha256.h"

namespace vrctool {
namespace {

constexpr size_t kSignatureSize = 64;

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
struct ContextFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};

std::string OpenSslError(const std::string& what)
{
    const unsigned long code = ERR_get_error();
    char text[256] = "";
    if (code)
        ERR_error_string_n(code, text, sizeof text);
    return what + (code ? std::string(": ") + text : std::string());
}

Key ReadKey(const std::string& path, bool isPrivate)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return nullptr;
    EVP_PKEY* key = isPrivate ? PEM_read_PrivateKey(f, nullptr, nullptr, nullptr)
                              : PEM_read_PUBKEY(f, nullptr, nullptr, nullptr);
    std::fclose(f);
    if (key && EVP_PKEY_get_id(key) != EVP_PKEY_ED25519) {
        EVP_PKEY_free(key);
        return nullptr;
    }
    return Key(key);
}

// Writes through fn into a new file of the given mode; false when any step fails.
template <typename Fn>
bool WritePem(const std::string& path, mode_t mode, Fn fn)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    std::FILE* f = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (!f) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    const bool ok = fn(f) == 1;
    return std::fclose(f) == 0 && ok;
}

} // namespace

std::string ManifestSignature::MakeKey(const std::string& path)
{
    Key key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
    if (!key)
        return OpenSslError("cannot make a key");
    if (!WritePem(path, 0600, [&](std::FILE* f) {
            return PEM_write_PrivateKey(f, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
        }))
        return "cannot be written (it must not exist yet)";
    if (!WritePem(path + ".pub", 0644, [&](std::FILE* f) { return PEM_write_PUBKEY(f, key.get()); })) {
        std::remove(path.c_str());
        return "cannot write " + path + ".pub (it must not exist yet)";
    }
    return {};
}

std::string ManifestSignature::Sign(const std::string& text, const std::string& keyPath, const std::string& sigPath)
{
    const Key key = ReadKey(keyPath, true);
    if (!key)
        return keyPath + " holds no Ed25519 private key in PEM";
    std::unique_ptr<EVP_MD_CTX, ContextFree> context(EVP_MD_CTX_new());
    std::vector<unsigned char> signature(kSignatureSize);
    size_t length = signature.size();
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestSign(context.get(), signature.data(), &length, reinterpret_cast<const unsigned char*>(text.data()),
                       text.size()) != 1)
        return OpenSslError("cannot sign");
    std::ofstream out(sigPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(signature.data()), static_cast<std::streamsize>(length));
    out.close();
    return out ? std::string() : "cannot be written";
}

std::string ManifestSignature::Check(const std::string& text, const std::string& pubPath, const std::string& sigPath,
                                     std::string& fingerprint)
{
    const Key key = ReadKey(pubPath, false);
    if (!key)
        return pubPath + " holds no Ed25519 public key in PEM";
    unsigned char* der = nullptr;
    const int derSize = i2d_PUBKEY(key.get(), &der);
    if (derSize <= 0)
        return OpenSslError("cannot read the public key");
    fingerprint = "SHA256:" + Sha256::Of(der, static_cast<size_t>(derSize));
    OPENSSL_free(der);
    std::string why;
    const std::string signature = ReadSmallFile(sigPath, why).value_or(std::string());
    if (signature.size() != kSignatureSize)
        return sigPath + " is not a signature of 64 bytes";
    std::unique_ptr<EVP_MD_CTX, ContextFree> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return OpenSslError("cannot check the signature");
    const int status = EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()), signature.size(),
                                        reinterpret_cast<const unsigned char*>(text.data()), text.size());
    return status == 1 ? std::string() : "the signature does not match the manifest and this key";
}

} // namespace vrctool
