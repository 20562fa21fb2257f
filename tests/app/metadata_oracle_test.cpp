// Metadata through whole entries, against exiftool: camera-like files are
// made from the test pictures with exiftool (every orientation, GPS, XMP,
// IPTC, a comment, a thumbnail and a profile of more than 64 KB), converted,
// and read back with exiftool. Every tag of the source must be in the output
// except those that must change, and those must have the right values; the
// other formats keep what they can hold, there and back to JPEG.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch_entry.h"
#include "app/entry_conversion.h"
#include "imagefiles/bmp_reader.h"
#include "imagefiles/heif/avif_writer.h"
#include "imagefiles/jpeg_image.h"
#include "imagefiles/png/png_writer.h"
#include "imagefiles/webp/webp_writer.h"
#include "imaging/orient.h"
#include "tests/imagefiles/jpeg_test_util.h"
#include "tests/imagefiles/metadata_test_util.h"

namespace corvane {
namespace {

using Tags = std::map<std::string, std::string>;

// Text a command prints on standard output.
std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) text.append(buf, n);
        ::pclose(pipe);
    }
    return text;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Settings under which the entry changes no pixel by itself.
TConversionSettings Neutral() {
    TConversionSettings s;
    s.Gamma = 10;
    s.GammaInverse = false;
    return s;
}

class MetadataOracle : public jpegtest::ScratchDir {
protected:
    void SetUp() override {
        exiftool_ = jpegtest::FindTool("exiftool");
        if (exiftool_.empty()) GTEST_SKIP() << "exiftool not on PATH";
        ScratchDir::SetUp();
        profile_ = metadatatest::MakeRgbProfile(20000);
        ASSERT_GT(profile_.size(), 65536u);
        jpegtest::Spit(Path("profile.icc"), profile_);
        jpegtest::Spit(Path("thumb.jpg"), EncodeJPEG(*jpegtest::PhotoLike(40, 26), 80, false));
    }

    // testorig.jpg (227 x 149) dressed as a camera's file.
    std::string CameraFile(const std::string& name, int orientation,
                           const std::string& profile = "profile.icc") {
        const std::string path = Path(name);
        jpegtest::Spit(path, jpegtest::Slurp(jpegtest::TestImage("testorig.jpg")));
        const std::string args =
            " -q -overwrite_original -Make=Corvane -Model=CT-1 '-DateTimeOriginal=2023:04:05 06:07:08'"
            " -Orientation#=" +
            std::to_string(orientation) +
            " -ExifImageWidth=227 -ExifImageHeight=149 -GPSLatitude=35.6581 -GPSLatitudeRef=N"
            " -GPSLongitude=139.7414 -GPSLongitudeRef=E -XMP-dc:Title=Test -XMP-dc:Creator=Someone"
            " -IPTC:Keywords=alpha -IPTC:City=Tokyo '-Comment=a comment'"
            " '-ThumbnailImage<=" +
            Path("thumb.jpg") + "' '-ICC_Profile<=" + Path(profile) + "' ";
        EXPECT_EQ(std::system((Quote(exiftool_) + args + Quote(path)).c_str()), 0);
        return path;
    }

    // Every tag exiftool reads, by group and name, less those about the
    // file rather than the picture.
    Tags ReadTags(const std::string& path) {
        Tags tags;
        std::istringstream lines(Output(Quote(exiftool_) + " -args -G1 -a -n " + Quote(path)));
        for (std::string line; std::getline(lines, line);) {
            const std::size_t eq = line.find('=');
            if (line.size() < 2 || eq == std::string::npos) continue;
            const std::string key = line.substr(1, eq - 1);
            for (const char* skip : {"System:", "File:", "ExifTool:", "Composite:"})
                if (key.rfind(skip, 0) == 0) goto next;
            tags[key] = line.substr(eq + 1);
        next:;
        }
        return tags;
    }

    std::string IccBytes(const std::string& path) {
        return Output(Quote(exiftool_) + " -icc_profile -b " + Quote(path));
    }

    std::string XmpBytes(const std::string& path) {
        return Output(Quote(exiftool_) + " -xmp -b " + Quote(path));
    }

    // Converts the file (in the scratch folder) into out/ with the save
    // format given; the entry, written to its path.
    TEncodedEntry ConvertEntry(const std::string& source, TConversionSettings settings,
                               const std::string& format) {
        settings.SaveFormat = format;
        std::filesystem::create_directories(Path("out"));
        const std::string name = source.substr(source.rfind('/') + 1);
        const TEntryJob job = PrepareEntry(MakeEntry(dir_.string() + "/", name, Path("out")), 0, 1, settings);
        TEncodedEntry entry = EncodeEntry(job, settings);
        jpegtest::Spit(entry.Target.Path, entry.Bytes);
        return entry;
    }
    // The output path.
    std::string Convert(const std::string& source, TConversionSettings settings, const std::string& format) {
        return ConvertEntry(source, std::move(settings), format).Target.Path;
    }

    std::string exiftool_;
    std::vector<std::uint8_t> profile_;
};

TEST_F(MetadataOracle, EveryTagCarriedAndTheChangedOnesFollowTheOutput) {
    for (int orientation : {1, 3, 6, 8}) {
        SCOPED_TRACE(orientation);
        const std::string source = CameraFile("cam" + std::to_string(orientation) + ".jpg", orientation);
        // The default settings adjust gamma: the pixels differ from the source's.
        const std::string output = Convert(source, TConversionSettings(), ".jpg");

        Tags expected = ReadTags(source);
        ASSERT_EQ(expected.count("IFD1:ThumbnailLength"), 1u);
        ASSERT_EQ(expected.count("XMP-dc:Title"), 1u);
        ASSERT_EQ(expected.count("IPTC:City"), 1u);
        ASSERT_EQ(expected.count("GPS:GPSLatitude"), 1u);
        // The thumbnail shows the old picture: it goes with its directory.
        for (auto it = expected.begin(); it != expected.end();)
            it = it->first.rfind("IFD1:", 0) == 0 ? expected.erase(it) : std::next(it);
        const bool swapped = orientation >= 5;
        expected["IFD0:Orientation"] = "1";
        expected["ExifIFD:ExifImageWidth"] = swapped ? "149" : "227";
        expected["ExifIFD:ExifImageHeight"] = swapped ? "227" : "149";
        EXPECT_EQ(ReadTags(output), expected);
        const std::string icc = IccBytes(output);
        EXPECT_EQ(icc, std::string(profile_.begin(), profile_.end()));
        EXPECT_EQ(icc, IccBytes(source));
    }
}

TEST_F(MetadataOracle, UnchangedPixelsKeepTheExifBlockAsItWas) {
    const std::string source = CameraFile("cam.jpg", 6);
    TConversionSettings s = Neutral();
    s.Orientation = TOrientationMode::Ignore;
    const std::string output = Convert(source, s, ".jpg");
    EXPECT_EQ(ReadTags(output), ReadTags(source));  // thumbnail and orientation 6 too
    TImageMetadata in, out;
    ReadJPEGFile(source, &in);
    ReadJPEGFile(output, &out);
    EXPECT_EQ(out.Segments, in.Segments);
    EXPECT_EQ(out.IccProfile, in.IccProfile);
}

// For each value, the pixels written are the stored pixels as a viewer
// shows them (the reference loop of the EXIF definition), and a picture
// that a viewer shows upright is not turned again by the auto-turn.
TEST_F(MetadataOracle, EveryOrientationIsAppliedAsAViewerShowsIt) {
    const auto stored = ReadJPEGFile(jpegtest::TestImage("testorig.jpg"));
    const int W = stored->Width(), H = stored->Height();
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const std::string source = CameraFile("o" + std::to_string(orientation) + ".jpg", orientation);
        const auto out = ReadBitmapFile(Convert(source, Neutral(), ".bmp"));
        const bool swapped = orientation >= 5;
        ASSERT_EQ(out->Width(), swapped ? H : W);
        ASSERT_EQ(out->Height(), swapped ? W : H);
        for (int y = 0; y < out->Height(); ++y)
            for (int x = 0; x < out->Width(); ++x) {
                int sx = x, sy = y;
                switch (orientation) {
                    case 2:
                        sx = W - 1 - x;
                        break;
                    case 3:
                        sx = W - 1 - x, sy = H - 1 - y;
                        break;
                    case 4:
                        sy = H - 1 - y;
                        break;
                    case 5:
                        sx = y, sy = x;
                        break;
                    case 6:
                        sx = y, sy = H - 1 - x;
                        break;
                    case 7:
                        sx = W - 1 - y, sy = H - 1 - x;
                        break;
                    case 8:
                        sx = W - 1 - y, sy = x;
                        break;
                }
                ASSERT_EQ(std::memcmp(out->ScanLine(y) + 3 * x, stored->ScanLine(sy) + 3 * sx, 3), 0)
                    << x << "," << y;
            }
    }

    // Stored lying, shown standing: "正立" has nothing left to turn.
    TConversionSettings upright = Neutral();
    upright.AutoTurn = TAutoTurn::Upright;
    const auto shown = ReadBitmapFile(Convert(Path("o6.jpg"), upright, ".bmp"));
    auto copy = stored->Clone();
    const auto expected = OrientBitmap(*copy, 6);
    ASSERT_EQ(shown->Width(), expected->Width());
    for (int y = 0; y < shown->Height(); ++y)
        ASSERT_EQ(jpegtest::Row(*shown, y), jpegtest::Row(*expected, y)) << y;
}

// With everything stripped and ignored, the output is what a source without
// metadata gives, and that is the reference compressor's stream of the
// reference decompressor's pixels.
TEST_F(MetadataOracle, StripStripIgnoreWritesTodaysBytes) {
    const std::string source = CameraFile("cam.jpg", 6);
    const std::string plain = Path("plain.jpg");
    jpegtest::Spit(plain, jpegtest::Slurp(jpegtest::TestImage("testorig.jpg")));
    for (TConversionSettings s : {TConversionSettings(), Neutral()}) {
        s.Metadata = TMetadataMode::Strip;
        s.Icc = TIccMode::Strip;
        s.Orientation = TOrientationMode::Ignore;
        for (const char* format : {".jpg", ".bmp"}) {
            SCOPED_TRACE(format);
            const auto ours = jpegtest::Slurp(Convert(source, s, format));
            EXPECT_EQ(ours, jpegtest::Slurp(Convert(plain, s, format)));
        }
    }
    const std::string djpeg = jpegtest::FindTool("djpeg"), cjpeg = jpegtest::FindTool("cjpeg");
    if (djpeg.empty() || cjpeg.empty()) return;
    TConversionSettings s = Neutral();
    s.Metadata = TMetadataMode::Strip;
    s.Icc = TIccMode::Strip;
    s.Orientation = TOrientationMode::Ignore;
    const std::string reference = Path("ref.jpg");
    ASSERT_EQ(std::system((Quote(djpeg) + " -bmp " + Quote(source) + " | " + Quote(cjpeg) +
                           " -quality 90 -baseline -outfile " + Quote(reference))
                              .c_str()),
              0);
    EXPECT_EQ(jpegtest::Slurp(Convert(source, s, ".jpg")), jpegtest::Slurp(reference));
}

// An Adobe RGB source converted to sRGB matches LittleCMS's own command-line
// converter on the same pixels within one level, and carries no profile.
TEST_F(MetadataOracle, SrgbConversionMatchesTransicc) {
    const std::string transicc = jpegtest::FindTool("transicc");
    if (transicc.empty()) GTEST_SKIP() << "transicc not on PATH";
    jpegtest::Spit(Path("adobe.icc"), metadatatest::MakeRgbProfile());
    const std::string source = CameraFile("adobe.jpg", 1, "adobe.icc");
    TConversionSettings s = Neutral();
    s.Icc = TIccMode::SRGB;
    const std::string output = Convert(source, s, ".bmp");
    TImageMetadata carried;
    const auto converted = ReadBitmapFile(output, &carried);
    EXPECT_TRUE(carried.IccProfile.empty());
    EXPECT_TRUE(IccBytes(Convert(source, s, ".jpg")).empty());

    const auto stored = ReadJPEGFile(source);
    std::string values;
    for (int y = 0; y < stored->Height(); ++y)
        for (int x = 0; x < stored->Width(); ++x) {
            const std::uint8_t* p = stored->ScanLine(y) + 3 * x;
            values += std::to_string(p[2]) + " " + std::to_string(p[1]) + " " + std::to_string(p[0]) + "\n";
        }
    std::ofstream(Path("values.txt")) << values;
    std::istringstream reference(Output(Quote(transicc) + " -n -s -t0 -i" + Quote(Path("adobe.icc")) +
                                        " -o*sRGB < " + Quote(Path("values.txt"))));
    int worst = 0, count = 0;
    for (int y = 0; y < stored->Height(); ++y)
        for (int x = 0; x < stored->Width(); ++x) {
            double r = -1, g = -1, b = -1;
            ASSERT_TRUE(reference >> r >> g >> b) << "transicc gave too few values";
            const std::uint8_t* p = converted->ScanLine(y) + 3 * x;
            const double ref[3] = {b, g, r};
            for (int c = 0; c < 3; ++c) {
                const int diff = std::abs(p[c] - static_cast<int>(std::lround(ref[c])));
                worst = std::max(worst, diff);
                count += diff > 0;
            }
        }
    EXPECT_LE(worst, 1);
    RecordProperty("channels_off_by_one", count);

    // Keep: the bitmap output embeds the same profile in a V5 header.
    s.Icc = TIccMode::Keep;
    TImageMetadata kept;
    ReadBitmapFile(Convert(source, s, ".bmp"), &kept);
    // (the file made above: a profile made again has a later date in it)
    EXPECT_EQ(kept.IccProfile, jpegtest::Slurp(Path("adobe.icc")));
}

// What a camera's file says that every format beyond JPEG can hold: the
// EXIF, GPS and XMP groups whole, and the maker, model and orientation of
// the first directory (a TIFF file's is also the picture's own layout).
Tags CarriedTags(const Tags& all) {
    Tags carried;
    for (const auto& [key, value] : all)
        if (key.rfind("ExifIFD:", 0) == 0 || key.rfind("GPS:", 0) == 0 || key.rfind("XMP-", 0) == 0 ||
            key == "IFD0:Make" || key == "IFD0:Model" || key == "IFD0:Orientation")
            carried[key] = value;
    return carried;
}

// The default settings change the pixels (gamma) and turn them upright, so
// the EXIF block is edited on the way out; back to JPEG nothing changes.
TEST_F(MetadataOracle, EveryFormatKeepsTheCameraTagsThereAndBackToJPEG) {
    const std::string source = CameraFile("cam.jpg", 6);
    Tags expected = CarriedTags(ReadTags(source));
    for (const char* tag : {"ExifIFD:DateTimeOriginal", "GPS:GPSLatitude", "GPS:GPSLongitude", "IFD0:Model",
                            "XMP-dc:Title", "XMP-dc:Creator"})
        ASSERT_EQ(expected.count(tag), 1u) << tag;
    expected["IFD0:Orientation"] = "1";
    expected["ExifIFD:ExifImageWidth"] = "149";
    expected["ExifIFD:ExifImageHeight"] = "227";
    const std::string profile(profile_.begin(), profile_.end());
    for (const std::string format : {".png", ".tif", ".webp", ".avif"}) {
        SCOPED_TRACE(format);
        const std::string output = Convert(source, TConversionSettings(), format);
        EXPECT_EQ(CarriedTags(ReadTags(output)), expected);
        EXPECT_EQ(IccBytes(output), profile);
        EXPECT_EQ(XmpBytes(output), XmpBytes(source));

        const std::string copy = Path("again" + format);
        jpegtest::Spit(copy, jpegtest::Slurp(output));
        const std::string back = Convert(copy, Neutral(), ".jpg");
        EXPECT_EQ(CarriedTags(ReadTags(back)), expected);
        EXPECT_EQ(IccBytes(back), profile);
        EXPECT_EQ(XmpBytes(back), XmpBytes(source));
        EXPECT_EQ(ReadJPEGFile(back)->Width(), 149);  // turned once, on the way out
    }
}

// A phone's HEIF file turns the picture in its container (irot) and says 6
// in EXIF too; libheif turns it, and nothing turns it again: whatever the
// orientation setting, the JPEG is the picture as shown, saying 1. Written
// back as AVIF from a JPEG whose pixels stay unturned, the turn goes into
// the container and the EXIF tag says 1.
TEST_F(MetadataOracle, AHeifPictureSayingSixIsTurnedOnce) {
    const auto stored = jpegtest::PhotoLike(64, 32);
    TImageMetadata phone;
    phone.Segments = {{TSegmentKind::Exif, kMarkerAPP1, metadatatest::MakeExifPayload(6, 64, 32)}};
    phone.Orientation = 6;
    jpegtest::Spit(Path("phone.avif"), EncodeAVIF(*stored, {90, false, clWhite, &phone}));
    Tags tags = ReadTags(Path("phone.avif"));
    ASSERT_EQ(tags["IFD0:Orientation"], "6");
    ASSERT_EQ(tags["QuickTime:Rotation"], "270");
    for (TOrientationMode mode : {TOrientationMode::Apply, TOrientationMode::Ignore}) {
        TConversionSettings s = Neutral();
        s.Orientation = mode;
        const std::string output = Convert(Path("phone.avif"), s, ".jpg");
        EXPECT_EQ(ReadTags(output)["IFD0:Orientation"], "1");
        const auto shown = ReadJPEGFile(output);
        EXPECT_EQ(shown->Width(), 32);
        EXPECT_EQ(shown->Height(), 64);
    }

    TConversionSettings ignore = Neutral();
    ignore.Orientation = TOrientationMode::Ignore;
    tags = ReadTags(Convert(CameraFile("cam6.jpg", 6), ignore, ".avif"));
    EXPECT_EQ(tags["IFD0:Orientation"], "1");
    EXPECT_EQ(tags["QuickTime:Rotation"], "270");
    EXPECT_EQ(tags["IFD0:Make"], "Corvane");
}

// A TIFF file's own tags reach a JPEG's EXIF block without the file's
// layout (sizes, strips, compression), which would describe another picture.
TEST_F(MetadataOracle, ATiffsDescriptionReachesJPEGWithoutItsLayout) {
    jpegtest::Spit(Path("scan.tif"),
                   jpegtest::Slurp(std::string(CORVANE_TESTDATA_DIR) + "/tiff/rgb8-exif.tif"));
    const std::string output = Convert(Path("scan.tif"), Neutral(), ".jpg");
    const Tags tags = ReadTags(output);
    EXPECT_EQ(CarriedTags(tags).at("ExifIFD:DateTimeOriginal"), "2023:04:05 06:07:08");
    EXPECT_EQ(tags.at("IFD0:Make"), "Corvane Test Camera");
    EXPECT_EQ(tags.at("IFD0:Orientation"), "1");  // turned upright
    EXPECT_EQ(tags.at("XMP-dc:Title"), "Test");
    EXPECT_EQ(ReadJPEGFile(output)->Width(), 23);
    for (const char* layout :
         {"IFD0:ImageWidth", "IFD0:StripOffsets", "IFD0:BitsPerSample", "IFD0:Compression",
          "IFD0:PhotometricInterpretation", "IFD0:PlanarConfiguration"})
        EXPECT_EQ(tags.count(layout), 0u) << layout;
}

TEST_F(MetadataOracle, ADamagedExifBlockInPngOrWebPWarnsAndThePictureConverts) {
    TImageMetadata damaged;
    damaged.Segments = {{TSegmentKind::Exif, kMarkerAPP1, metadatatest::ExifWithHugeCount()}};
    const auto picture = jpegtest::PhotoLike(30, 20);
    const TEncodeOptions options{90, false, clWhite, &damaged};
    jpegtest::Spit(Path("damaged.png"), EncodePNG(*picture, options));
    jpegtest::Spit(Path("damaged.webp"), EncodeWebP(*picture, options));
    for (const char* name : {"damaged.png", "damaged.webp"}) {
        SCOPED_TRACE(name);
        const TEncodedEntry entry = ConvertEntry(Path(name), Neutral(), ".jpg");
        ASSERT_EQ(entry.Warnings.size(), 1u);
        EXPECT_EQ(entry.Warnings[0].rfind("EXIF を外しました: Exiv2: ", 0), 0u) << entry.Warnings[0];
        EXPECT_EQ(ReadJPEGFile(entry.Target.Path)->Width(), 30);
        for (const auto& [key, value] : ReadTags(entry.Target.Path))
            EXPECT_NE(key.rfind("IFD0:", 0), 0u) << key << " " << value;
    }
}

}  // namespace
}  // namespace corvane
