#include "imagefiles/jpeg_codec.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "imagefiles/jpeg_limits.h"

namespace corvane {

int JPEGErrImageTooBig() { return JERR_IMAGE_TOO_BIG; }

namespace jpegcodec {

namespace {

// libjpeg sees only `pub`; error_exit finds the jump buffer behind it.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

// Format strings of our own message codes, so that the library's
// format_message can render them like its own.
const char* const kAddonMessages[] = {"Too many scans in progressive JPEG (limit %d)"};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings are ignored: a damaged stream the library can still decode gives
// a picture without any message.
void OutputNothing(j_common_ptr) {}
void EmitNothing(j_common_ptr, int) {}

jpeg_error_mgr* InitErrorManager(ErrorManager* err) {
    jpeg_std_error(&err->pub);
    err->pub.error_exit = ErrorExit;
    err->pub.output_message = OutputNothing;
    err->pub.emit_message = EmitNothing;
    err->pub.addon_message_table = kAddonMessages;
    err->pub.first_addon_message = kJPEGErrTooManyScans;
    err->pub.last_addon_message = kJPEGErrTooManyScans;
    return &err->pub;
}

// The library calls this before consuming each iMCU row or marker run, so a
// stream of endless scans is stopped shortly after the limit.
void LimitScans(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJPEGScans)
        ERREXIT1(cinfo, kJPEGErrTooManyScans, kMaxJPEGScans);
}

// Compressed output grows a caller-owned vector; allocation failure becomes
// the library's out-of-memory error instead of an exception through C frames.
struct VectorDestination {
    jpeg_destination_mgr pub;
    std::vector<std::uint8_t>* out;
    std::size_t initialSize;
};

bool Resize(std::vector<std::uint8_t>& bytes, std::size_t size) noexcept {
    try {
        bytes.resize(size);
    } catch (...) {
        return false;
    }
    return true;
}

void InitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    dest->out->clear();
    if (!Resize(*dest->out, dest->initialSize)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    dest->pub.next_output_byte = dest->out->data();
    dest->pub.free_in_buffer = dest->out->size();
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    // Called only when the whole buffer is full.
    const std::size_t used = dest->out->size();
    if (!Resize(*dest->out, used * 2)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    dest->pub.next_output_byte = dest->out->data() + used;
    dest->pub.free_in_buffer = dest->out->size() - used;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    dest->out->resize(dest->out->size() - dest->pub.free_in_buffer);
}

// Every CMYK stream is taken as inverted (Adobe-style) CMYK, 255 - ink,
// whether or not it carries the Adobe marker: the reference decoder and the
// common ones read it so, and inverted samples read as plain ink come out
// almost black. Each channel is then value * key / 255, rounded.
void CMYKToBGR(const JSAMPLE* cmyk, std::uint8_t* bgr, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        bgr[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

}  // namespace

struct DecodeJob {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    bool created;
    bool headerRead;
    bool cmyk;
    JSAMPARRAY cmykRow;  // from the library's image pool
    // The joined profile, from malloc (the library's own allocation).
    JOCTET* icc;
    unsigned int iccSize;
    bool iccFound;
    bool iccComplete;
};

struct EncodeJob {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    VectorDestination dest;
    bool created;
};

void JobDeleter::operator()(DecodeJob* job) const noexcept {
    if (job->created) jpeg_destroy_decompress(&job->cinfo);
    std::free(job->icc);
    delete job;
}

void JobDeleter::operator()(EncodeJob* job) const noexcept {
    if (job->created) jpeg_destroy_compress(&job->cinfo);
    delete job;
}

DecodeJobPtr NewDecodeJob() { return DecodeJobPtr(new DecodeJob{}); }
EncodeJobPtr NewEncodeJob() { return EncodeJobPtr(new EncodeJob{}); }

namespace {

// Everything below runs inside the setjmp of its caller.

void CreateAndReadHeader(DecodeJob* job, const std::uint8_t* data, std::size_t size) {
    j_decompress_ptr cinfo = &job->cinfo;
    // A failed create leaves cinfo->mem null, which destroy accepts.
    job->created = true;
    jpeg_create_decompress(cinfo);
    job->progress.progress_monitor = LimitScans;
    cinfo->progress = &job->progress;
    // An empty buffer fails here with the library's empty-input error.
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    // The segments that describe the picture are kept whole; the library
    // skips every other one as before.
    for (const int marker : {JPEG_APP0 + 1, JPEG_APP0 + 2, JPEG_APP0 + 13, JPEG_COM})
        jpeg_save_markers(cinfo, marker, 0xFFFF);
    jpeg_read_header(cinfo, TRUE);
    const std::uint64_t width = cinfo->image_width, height = cinfo->image_height;
    if (width > kMaxJPEGSide || height > kMaxJPEGSide || width * height > kMaxJPEGPixels)
        ERREXIT1(cinfo, JERR_IMAGE_TOO_BIG, static_cast<int>(kMaxJPEGSide));
    // Any APP2 segment of the profile's kind means a profile was meant to be
    // there; the library returns false both without one and for an
    // inconsistent set, so the two are told apart here.
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 2 && m->data_length >= 14 &&
            std::memcmp(m->data, "ICC_PROFILE", 12) == 0)
            job->iccFound = true;
    if (job->iccFound) job->iccComplete = jpeg_read_icc_profile(cinfo, &job->icc, &job->iccSize);
}

void SetUpDecode(DecodeJob* job, const DecodeSettings* settings, OutputInfo* out) {
    j_decompress_ptr cinfo = &job->cinfo;
    cinfo->scale_num = 1;
    cinfo->scale_denom = static_cast<unsigned>(settings->ScaleDenom);
    cinfo->do_block_smoothing = settings->Smoothing ? TRUE : FALSE;
    if (settings->Fast) {
        cinfo->dct_method = JDCT_IFAST;
        cinfo->do_fancy_upsampling = FALSE;
        cinfo->two_pass_quantize = FALSE;
        cinfo->dither_mode = JDITHER_ORDERED;
    }

    // The defaults for the stream: grey for one component, RGB for three,
    // CMYK for four (also YCCK), unknown otherwise (refused below).
    job->cmyk = cinfo->out_color_space == JCS_CMYK;
    bool quantize = false;
    if (!job->cmyk) {
        if (settings->GrayscaleOutput && cinfo->out_color_space == JCS_RGB)
            cinfo->out_color_space = JCS_GRAYSCALE;
        quantize = cinfo->out_color_space == JCS_GRAYSCALE ||
                   (settings->Quantize && cinfo->out_color_space == JCS_RGB);
        if (quantize) {
            cinfo->quantize_colors = TRUE;
            cinfo->desired_number_of_colors = 236;
        } else {
            // Samples arrive in the order of a 24-bit row.
            cinfo->out_color_space = JCS_EXT_BGR;
        }
    }

    jpeg_start_decompress(cinfo);

    const int expected = quantize ? 1 : job->cmyk ? 4 : 3;
    if (cinfo->output_components != expected) ERREXIT(cinfo, JERR_CONVERSION_NOTIMPL);
    out->Width = static_cast<int>(cinfo->output_width);
    out->Height = static_cast<int>(cinfo->output_height);
    out->Indexed = quantize;
    if (quantize) {
        const int channels = cinfo->out_color_components;
        if ((channels != 1 && channels != 3) || cinfo->actual_number_of_colors > 256)
            ERREXIT(cinfo, JERR_CONVERSION_NOTIMPL);
        out->Colors = cinfo->actual_number_of_colors;
        for (int i = 0; i < out->Colors; ++i)
            for (int c = 0; c < 3; ++c) out->Colormap[c][i] = cinfo->colormap[channels == 1 ? 0 : c][i];
    }
    if (job->cmyk)
        job->cmykRow = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                   cinfo->output_width * 4, 1);
}

void DecodeRows(DecodeJob* job, std::uint8_t* const* rows) {
    j_decompress_ptr cinfo = &job->cinfo;
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION y = cinfo->output_scanline;
        if (job->cmyk) {
            if (jpeg_read_scanlines(cinfo, job->cmykRow, 1) != 1) ERREXIT(cinfo, JERR_INPUT_EOF);
            CMYKToBGR(job->cmykRow[0], rows[y], cinfo->output_width);
        } else {
            // As many rows as the library has ready, straight into the picture.
            if (jpeg_read_scanlines(cinfo, const_cast<JSAMPARRAY>(rows + y), cinfo->output_height - y) == 0)
                ERREXIT(cinfo, JERR_INPUT_EOF);
        }
    }
    jpeg_finish_decompress(cinfo);
}

void EncodeRows(EncodeJob* job, const std::uint8_t* const* rows, int width, int height,
                const EncodeSettings* settings, std::vector<std::uint8_t>* out) {
    j_compress_ptr cinfo = &job->cinfo;
    job->created = true;
    jpeg_create_compress(cinfo);
    job->dest.pub.init_destination = InitDestination;
    job->dest.pub.empty_output_buffer = EmptyOutputBuffer;
    job->dest.pub.term_destination = TermDestination;
    job->dest.out = out;
    // Half a byte per pixel covers photos up to quality 90 or so; growing the
    // buffer costs a copy of everything written so far, so aim generously.
    job->dest.initialSize = 65536 + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) / 2;
    cinfo->dest = &job->dest.pub;

    cinfo->image_width = static_cast<JDIMENSION>(width);
    cinfo->image_height = static_cast<JDIMENSION>(height);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    if (settings->Grayscale) jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
    jpeg_set_quality(cinfo, settings->Quality, TRUE);
    if (settings->Progressive) jpeg_simple_progression(cinfo);

    jpeg_start_compress(cinfo, TRUE);
    for (std::size_t i = 0; i < settings->MarkerCount; ++i) {
        const MarkerView& m = settings->Markers[i];
        jpeg_write_marker(cinfo, m.Code, m.Data, static_cast<unsigned int>(m.Size));
    }
    if (settings->IccSize > 0)
        jpeg_write_icc_profile(cinfo, settings->IccProfile, static_cast<unsigned int>(settings->IccSize));
    while (cinfo->next_scanline < cinfo->image_height) {
        const JDIMENSION y = cinfo->next_scanline;
        // The library copies what it needs and never writes to the rows.
        if (jpeg_write_scanlines(cinfo, const_cast<JSAMPARRAY>(rows + y), cinfo->image_height - y) == 0)
            ERREXIT(cinfo, JERR_CANT_SUSPEND);
    }
    jpeg_finish_compress(cinfo);
}

}  // namespace

int ReadHeader(DecodeJob* job, const std::uint8_t* data, std::size_t size, StreamInfo* info) {
    // A job reads one header; a second create would lose the first state.
    if (job->created) return JERR_BAD_STATE;
    job->cinfo.err = InitErrorManager(&job->err);
    if (setjmp(job->err.jump)) return job->err.pub.msg_code;
    CreateAndReadHeader(job, data, size);
    job->headerRead = true;
    info->Width = static_cast<int>(job->cinfo.image_width);
    info->Height = static_cast<int>(job->cinfo.image_height);
    info->Grayscale = job->cinfo.jpeg_color_space == JCS_GRAYSCALE;
    info->MultipleScans = jpeg_has_multiple_scans(&job->cinfo);
    return 0;
}

std::vector<MarkerView> SavedMarkers(const DecodeJob* job) {
    std::vector<MarkerView> markers;
    if (!job->headerRead) return markers;
    // A segment cut off by the end of the stream is not passed on.
    for (jpeg_saved_marker_ptr m = job->cinfo.marker_list; m; m = m->next)
        if (m->data_length == m->original_length)
            markers.push_back({static_cast<int>(m->marker), m->data, m->data_length});
    return markers;
}

IccView SavedIccProfile(const DecodeJob* job) {
    if (!job->headerRead || !job->iccFound) return {};
    return {true, job->iccComplete && job->icc, job->icc, job->iccSize};
}

int StartDecompress(DecodeJob* job, const DecodeSettings* settings, OutputInfo* out) {
    // Without a header the library state may not even exist.
    if (!job->headerRead) return JERR_BAD_STATE;
    if (setjmp(job->err.jump)) return job->err.pub.msg_code;
    SetUpDecode(job, settings, out);
    return 0;
}

int ReadRows(DecodeJob* job, std::uint8_t* const* rows) {
    if (!job->headerRead) return JERR_BAD_STATE;
    if (setjmp(job->err.jump)) return job->err.pub.msg_code;
    DecodeRows(job, rows);
    return 0;
}

int Encode(EncodeJob* job, const std::uint8_t* const* rows, int width, int height,
           const EncodeSettings* settings, std::vector<std::uint8_t>* out) {
    job->cinfo.err = InitErrorManager(&job->err);
    if (setjmp(job->err.jump)) return job->err.pub.msg_code;
    EncodeRows(job, rows, width, height, settings, out);
    return 0;
}

}  // namespace jpegcodec
}  // namespace corvane
