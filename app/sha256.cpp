#include "app/sha256.h"

#include <openssl/evp.h>

#include <memory>
#include <vector>

#include "imagefiles/file_io.h"
#include "imaging/errors.h"

namespace corvane {

namespace {

struct TDigestFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

class TSha256 {
public:
    TSha256() : ctx_(EVP_MD_CTX_new()) {
        if (!ctx_ || EVP_DigestInit_ex(ctx_.get(), EVP_sha256(), nullptr) != 1) throw std::bad_alloc();
    }
    void Update(const void* data, std::size_t size) {
        if (size > 0 && EVP_DigestUpdate(ctx_.get(), data, size) != 1) throw std::bad_alloc();
    }
    std::string Hex() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (EVP_DigestFinal_ex(ctx_.get(), digest, &length) != 1) throw std::bad_alloc();
        static constexpr char kDigits[] = "0123456789abcdef";
        std::string hex;
        for (unsigned int i = 0; i < length; ++i) {
            hex += kDigits[digest[i] >> 4];
            hex += kDigits[digest[i] & 15];
        }
        return hex;
    }

private:
    std::unique_ptr<EVP_MD_CTX, TDigestFree> ctx_;
};

}  // namespace

std::string Sha256Hex(std::span<const std::uint8_t> data) {
    TSha256 sha;
    sha.Update(data.data(), data.size());
    return sha.Hex();
}

std::string Sha256Hex(const std::string& text) {
    TSha256 sha;
    sha.Update(text.data(), text.size());
    return sha.Hex();
}

std::string FileSha256Hex(const std::string& path) {
    InputFile file(path);
    TSha256 sha;
    std::vector<std::uint8_t> buffer(1 << 20);
    while (const std::size_t n = file.Read(buffer.data(), buffer.size())) sha.Update(buffer.data(), n);
    return sha.Hex();
}

}  // namespace corvane
