// Ownership of libheif's objects, and its one-time set-up.
#pragma once

#include <libheif/heif.h>

#include <memory>
#include <string>

namespace corvane::heifio {

struct Deleter {
    void operator()(heif_context* p) const noexcept { heif_context_free(p); }
    void operator()(heif_image_handle* p) const noexcept { heif_image_handle_release(p); }
    void operator()(heif_image* p) const noexcept { heif_image_release(p); }
    void operator()(heif_encoder* p) const noexcept { heif_encoder_release(p); }
    void operator()(heif_decoding_options* p) const noexcept { heif_decoding_options_free(p); }
    void operator()(heif_encoding_options* p) const noexcept { heif_encoding_options_free(p); }
};
template <class T>
using Ptr = std::unique_ptr<T, Deleter>;

// libheif's text of a failure, without the line break some of them end in.
inline std::string MessageOf(const heif_error& error) {
    std::string text = error.message ? error.message : "libheif error";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

// Loads the codec plugins once per process (heif_init is reference counted;
// the count is never given back, the plugins stay until the process ends).
void EnsureInitialised();

}  // namespace corvane::heifio
