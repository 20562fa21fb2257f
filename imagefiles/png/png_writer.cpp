// Result: an 8-bit RGB or RGBA PNG of the picture's size, libspng's default
// compression and adaptive filters; the pixels come back exactly. Metadata
// before the image data: iCCP, eXIf (the TIFF structure, without the JPEG
// payload's "Exif" prefix), XMP in an uncompressed iTXt chunk as XMP's own
// tools write it, comments as "Comment" texts.
#include "imagefiles/png/png_writer.h"

#include <spng.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "imagefiles/image_file_errors.h"
#include "imagefiles/interleaved_pixels.h"

namespace corvane {

namespace {

constexpr std::string_view kFormat = "PNG";

struct CtxDeleter {
    void operator()(spng_ctx* ctx) const noexcept { spng_ctx_free(ctx); }
};
struct MallocDeleter {
    void operator()(void* p) const noexcept { std::free(p); }
};

void Check(int code) {
    if (code != SPNG_OK) throw EImageEncodeError(kFormat, spng_strerror(code));
}

// tEXt holds Latin-1, which only printable ASCII (and line feeds) is
// certainly in; other comments go to iTXt when they are UTF-8, which iTXt
// holds, and are left out otherwise: their encoding is unknown.
bool PlainAscii(std::span<const std::uint8_t> text) {
    for (const std::uint8_t c : text)
        if ((c < 32 || c > 126) && c != '\n') return false;
    return true;
}

bool Utf8(std::span<const std::uint8_t> text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::uint8_t c = text[i];
        const std::size_t n = c < 0x80             ? 0
                              : (c & 0xE0) == 0xC0 ? 1
                              : (c & 0xF0) == 0xE0 ? 2
                              : (c & 0xF8) == 0xF0 ? 3
                                                   : 9;
        if (n == 9 || c == 0 || (n == 1 && c < 0xC2) || n >= text.size() - i) return false;
        for (std::size_t k = 1; k <= n; ++k)
            if ((text[i + k] & 0xC0) != 0x80) return false;
        i += n + 1;
    }
    return true;
}

// libspng 0.7 measures iTXt text up to its NUL, not by its length: every
// text gets a copy with one, and a text with a NUL inside has no place in a
// PNG text chunk.
struct TTexts {
    std::vector<std::string> Holders;
    std::vector<spng_text> Chunks;

    void Add(const char* keyword, std::span<const std::uint8_t> bytes, bool international) {
        if (std::find(bytes.begin(), bytes.end(), 0) != bytes.end()) return;
        Holders.emplace_back(bytes.begin(), bytes.end());
        spng_text text{};
        std::strncpy(text.keyword, keyword, sizeof text.keyword - 1);
        text.type = international ? SPNG_ITXT : SPNG_TEXT;
        text.length = bytes.size();
        static char empty[] = "";
        text.language_tag = empty;
        text.translated_keyword = empty;
        Chunks.push_back(text);
    }
    // Pointers last: the holders no longer move.
    void Set(spng_ctx* c) {
        if (Chunks.empty()) return;
        for (std::size_t i = 0; i < Chunks.size(); ++i) Chunks[i].text = Holders[i].data();
        Check(spng_set_text(c, Chunks.data(), static_cast<std::uint32_t>(Chunks.size())));
    }
};

// libspng keeps pointers into `meta` and `texts` until the image is encoded.
void SetMetadata(spng_ctx* c, const TImageMetadata& meta, TTexts& texts) {
    if (!meta.IccProfile.empty()) {
        spng_iccp iccp{};
        std::strcpy(iccp.profile_name, "ICC profile");
        iccp.profile_len = meta.IccProfile.size();
        iccp.profile = const_cast<char*>(reinterpret_cast<const char*>(meta.IccProfile.data()));
        Check(spng_set_iccp(c, &iccp));
    }
    if (const TMetadataSegment* exif = meta.Exif()) {
        const std::span<const std::uint8_t> tiff = ExifTiffBytes(*exif);
        spng_exif block{tiff.size(), const_cast<char*>(reinterpret_cast<const char*>(tiff.data()))};
        Check(spng_set_exif(c, &block));
    }
    if (const TMetadataSegment* xmp = meta.Xmp(); xmp && !XmpPacketBytes(*xmp).empty())
        texts.Add("XML:com.adobe.xmp", XmpPacketBytes(*xmp), true);
    for (const TMetadataSegment& segment : meta.Segments) {
        if (segment.Kind != TSegmentKind::Comment || segment.Bytes.empty()) continue;
        if (PlainAscii(segment.Bytes))
            texts.Add("Comment", segment.Bytes, false);
        else if (Utf8(segment.Bytes))
            texts.Add("Comment", segment.Bytes, true);
    }
    texts.Set(c);
}

}  // namespace

std::vector<std::uint8_t> EncodePNG(const TBitmap& picture, const TEncodeOptions& options) {
    if (picture.Empty()) return {};
    TInterleavedPixels pixels = InterleavedFromPicture(picture);

    const std::unique_ptr<spng_ctx, CtxDeleter> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!ctx) throw std::bad_alloc();
    spng_ctx* c = ctx.get();
    Check(spng_set_option(c, SPNG_ENCODE_TO_BUFFER, 1));
    spng_ihdr ihdr{};
    ihdr.width = static_cast<std::uint32_t>(pixels.Width);
    ihdr.height = static_cast<std::uint32_t>(pixels.Height);
    ihdr.bit_depth = 8;
    ihdr.color_type = pixels.Channels == 4 ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
    Check(spng_set_ihdr(c, &ihdr));
    TTexts texts;
    if (options.Metadata) SetMetadata(c, *options.Metadata, texts);
    Check(spng_encode_image(c, pixels.Bytes.data(), pixels.Bytes.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE));

    std::size_t length = 0;
    int error = 0;
    const std::unique_ptr<void, MallocDeleter> buffer(spng_get_png_buffer(c, &length, &error));
    Check(error);
    if (!buffer) throw EImageEncodeError(kFormat, "no output");
    const auto* begin = static_cast<const std::uint8_t*>(buffer.get());
    return {begin, begin + length};
}

}  // namespace corvane
