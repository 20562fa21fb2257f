// Stages: the screen descriptor (size checked), the records up to the first
// image (its graphic control block gives the transparent index), the image
// descriptor, then the frame's lines, put back in order when interlaced.
// Records after the first image are never read, so the other frames of an
// animation cost nothing. The screen outside the frame is transparent when
// the frame has a transparent index, else the background colour.
#include "imagefiles/gif/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imagefiles/file_io.h"
#include "imagefiles/image_file_errors.h"
#include "imagefiles/interleaved_pixels.h"

namespace corvane {

namespace {

constexpr std::string_view kFormat = "GIF";

struct Input {
    std::span<const std::uint8_t> Bytes;
    std::size_t Position = 0;
};

// Called from giflib's C frames: copies what is left, never throws.
int ReadInput(GifFileType* gif, GifByteType* buffer, int size) {
    Input& in = *static_cast<Input*>(gif->UserData);
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(size, 0)), in.Bytes.size() - in.Position);
    if (n) std::memcpy(buffer, in.Bytes.data() + in.Position, n);
    in.Position += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const noexcept {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

[[noreturn]] void Fail(const std::string& path, int code) {
    const char* text = GifErrorString(code);
    throw EImageFileError(path, kFormat, text ? text : "GIF error " + std::to_string(code));
}

// The transparent index of the graphic control block before the first image.
int FindFirstImage(GifFileType* gif, const std::string& path) {
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) Fail(path, gif->Error);
        if (type == IMAGE_DESC_RECORD_TYPE) return transparent;
        if (type == TERMINATE_RECORD_TYPE) throw EImageFileError(path, kFormat, "no image in the file");
        if (type != EXTENSION_RECORD_TYPE) continue;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) Fail(path, gif->Error);
        if (code == GRAPHICS_EXT_FUNC_CODE && block) {
            GraphicsControlBlock gcb{};
            if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
        }
        while (block) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) Fail(path, gif->Error);
        }
    }
}

}  // namespace

TDecodedImage DecodeGIF(std::span<const std::uint8_t> bytes, const std::string& path,
                        std::int64_t maxPixels) {
    Input input{bytes};
    int error = 0;
    const std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&input, ReadInput, &error));
    if (!gif) Fail(path, error);
    GifFileType* g = gif.get();
    CheckDeclaredSize(g->SWidth, g->SHeight, path, kFormat, maxPixels);

    const int transparent = FindFirstImage(g, path);
    if (DGifGetImageDesc(g) == GIF_ERROR) Fail(path, g->Error);
    const GifImageDesc& frame = g->Image;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : g->SColorMap;
    const int colours = map ? map->ColorCount : 0;
    // Every line of the frame is decoded, on the screen or not: a frame far
    // larger than its screen costs as much as a picture of its own size.
    CheckDeclaredSize(frame.Width, frame.Height, path, kFormat, maxPixels);

    // The screen: transparent or the background colour.
    const int width = g->SWidth, height = g->SHeight;
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4, 0);
    if (transparent == NO_TRANSPARENT_COLOR) {
        const int bg = g->SBackGroundColor;
        const GifColorType c =
            g->SColorMap && bg < g->SColorMap->ColorCount ? g->SColorMap->Colors[bg] : GifColorType{0, 0, 0};
        for (std::size_t i = 0; i < rgba.size(); i += 4)
            rgba[i] = c.Red, rgba[i + 1] = c.Green, rgba[i + 2] = c.Blue, rgba[i + 3] = 255;
    }

    // Interlaced frames store rows 0, 8, 16, ..., then 4, 12, ..., 2, 6, ..., 1, 3, ...
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(frame.Height));
    if (frame.Interlace) {
        constexpr int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = starts[pass]; y < frame.Height; y += steps[pass]) order.push_back(y);
    } else {
        for (int y = 0; y < frame.Height; ++y) order.push_back(y);
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    for (const int row : order) {
        if (DGifGetLine(g, line.data(), frame.Width) == GIF_ERROR) Fail(path, g->Error);
        const int y = frame.Top + row;
        if (y < 0 || y >= height) continue;  // a frame may reach past the screen
        for (int x = 0; x < frame.Width; ++x) {
            const int sx = frame.Left + x;
            if (sx < 0 || sx >= width) continue;
            std::uint8_t* p = rgba.data() + (static_cast<std::size_t>(y) * width + sx) * 4;
            const int index = line[static_cast<std::size_t>(x)];
            const GifColorType c = index < colours ? map->Colors[index] : GifColorType{0, 0, 0};
            p[0] = c.Red, p[1] = c.Green, p[2] = c.Blue;
            p[3] = index == transparent ? 0 : 255;
        }
    }
    TDecodedImage result;
    result.Bitmap = PictureFromInterleaved(rgba.data(), width, height, static_cast<std::size_t>(width) * 4, 4,
                                           transparent != NO_TRANSPARENT_COLOR);
    return result;
}

TDecodedImage ReadGIFFile(const std::string& path, const TReadHints&) {
    return DecodeGIF(ReadWholeFile(path), path);
}

}  // namespace corvane
