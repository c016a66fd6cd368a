#pragma once
#include <string>

namespace vrctool {

// Ed25519 signatures over a manifest's bytes, through OpenSSL's libcrypto. The signature
// file holds the raw 64 bytes, which is what `openssl pkeyutl -verify -rawin` checks, so a
// third party needs nothing of this tool.
class ManifestSignature {
public:
    static std::string PathFor(const std::string& manifest) { return manifest + ".sig"; }

    // Writes a new private key to path (PEM, readable by its owner only) and its public key
    // to path.pub; empty, or why not.
    static std::string MakeKey(const std::string& path);
    // Signs text with the private key in keyPath into sigPath; empty, or why not.
    static std::string Sign(const std::string& text, const std::string& keyPath, const std::string& sigPath);
    // Checks the signature in sigPath over text against the public key in pubPath; empty when
    // it holds, else why not. fingerprint: "SHA256:" and the hash of the public key's DER.
    static std::string Check(const std::string& text, const std::string& pubPath, const std::string& sigPath,
                             std::string& fingerprint);
};

} // namespace vrctool
