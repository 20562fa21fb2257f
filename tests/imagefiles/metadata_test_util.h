// Metadata fixtures made in code: colour profiles built with LittleCMS (a
// non-sRGB one with Adobe RGB's primaries, optionally with long tabulated
// curves so that it spans several JPEG segments), EXIF blocks built with
// Exiv2, and damaged EXIF blocks laid out byte by byte.
#pragma once

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exiv2/exif.hpp>
#include <string>
#include <vector>

namespace corvane::metadatatest {

// Adobe RGB (1998) primaries with a D65 white and gamma 563/256. With
// curveEntries > 0 each curve is a table of about that many entries (two bytes
// each), which makes the profile large without making it unusual.
inline std::vector<std::uint8_t> MakeRgbProfile(int curveEntries = 0) {
    cmsCIExyY white;
    cmsWhitePointFromTemp(&white, 6504);
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    const double gamma = 563.0 / 256.0;
    // Three tables of different lengths: equal curves would be stored once.
    cmsToneCurve* curves[3] = {};
    for (int c = 0; c < 3; ++c) {
        if (curveEntries > 0) {
            const int n = curveEntries + c;
            std::vector<cmsUInt16Number> table(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i)
                table[i] = static_cast<cmsUInt16Number>(
                    std::lround(65535.0 * std::pow(static_cast<double>(i) / (n - 1), gamma)));
            curves[c] = cmsBuildTabulatedToneCurve16(nullptr, static_cast<cmsUInt32Number>(n), table.data());
        } else {
            curves[c] = cmsBuildGamma(nullptr, gamma);
        }
    }
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    for (cmsToneCurve* curve : curves) cmsFreeToneCurve(curve);
    return bytes;
}

inline std::vector<std::uint8_t> WithExifPrefix(const std::vector<std::uint8_t>& tiff) {
    std::vector<std::uint8_t> payload(6 + tiff.size(), 0);
    std::memcpy(payload.data(), "Exif", 4);
    std::copy(tiff.begin(), tiff.end(), payload.begin() + 6);
    return payload;
}

// A camera-like EXIF block: maker, model, date, orientation, pixel size, GPS
// and, when given, a thumbnail.
inline std::vector<std::uint8_t> MakeExifPayload(int orientation, int width, int height,
                                                 const std::vector<std::uint8_t>& thumbnail = {}) {
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "Corvane Test Camera";
    exif["Exif.Image.Model"] = "CT-1";
    exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(orientation);
    exif["Exif.Photo.DateTimeOriginal"] = "2023:04:05 06:07:08";
    exif["Exif.Photo.PixelXDimension"] = static_cast<std::uint32_t>(width);
    exif["Exif.Photo.PixelYDimension"] = static_cast<std::uint32_t>(height);
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    exif["Exif.GPSInfo.GPSLatitude"] = "35/1 39/1 2910/100";
    if (!thumbnail.empty())
        Exiv2::ExifThumb(exif).setJpegThumbnail(thumbnail.data(), static_cast<long>(thumbnail.size()),
                                                Exiv2::URational(72, 1), Exiv2::URational(72, 1), 2);
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    return WithExifPrefix({blob.begin(), blob.end()});
}

// Little-endian TIFF pieces for damaged blocks.
inline void Put16(std::vector<std::uint8_t>& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// One directory at offset 8 holding the orientation and, when given, a
// second entry; `next` is the offset of the next directory.
inline std::vector<std::uint8_t> TiffWithEntry(std::uint32_t next, unsigned tag = 0, unsigned type = 0,
                                               std::uint32_t count = 0, std::uint32_t value = 0) {
    std::vector<std::uint8_t> b{'I', 'I', 42, 0};
    Put32(b, 8);
    Put16(b, tag ? 2 : 1);
    Put16(b, 0x0112);  // orientation, SHORT, 1, 6
    Put16(b, 3);
    Put32(b, 1);
    Put32(b, 6);
    if (tag) {
        Put16(b, tag);
        Put16(b, type);
        Put32(b, count);
        Put32(b, value);
    }
    Put32(b, next);
    b.resize(b.size() + 32, 0);
    return WithExifPrefix(b);
}

// The directory chain comes back to itself.
inline std::vector<std::uint8_t> ExifWithIfdLoop() { return TiffWithEntry(8); }
// An entry that claims two gigabytes of ASCII text.
inline std::vector<std::uint8_t> ExifWithHugeCount() { return TiffWithEntry(0, 0x010F, 2, 0x80000000u, 26); }

}  // namespace corvane::metadatatest
